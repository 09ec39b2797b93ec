#include "tdragger.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <limits>
#include <utility>

#include "caption_fit.h"
#include "control_errors.h"
#include "control_font.h"
#include "number_text.h"

namespace morvane::controls {

namespace {

const QColor kDefaultColor(0, 0, 0);
const QColor kDefaultFontColor(0, 255, 0);
const QString kDefaultCtrl = QStringLiteral("$00");
constexpr QChar kHexMark = u'$';

// The keys that take part in the shift state; the platform's other modifiers do not.
constexpr Qt::KeyboardModifiers kShiftStateKeys =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

// The wheel's angle for one notch, in eighths of a degree.
constexpr int kWheelNotch = 120;

// The step of a key that edits the value; 0 for the others.
int KeyStep(int key) {
  switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Up:
      return Tdragger::kKeyStep;
    case Qt::Key_Left:
    case Qt::Key_Down:
      return -Tdragger::kKeyStep;
    case Qt::Key_PageUp:
      return Tdragger::kPageStep;
    case Qt::Key_PageDown:
      return -Tdragger::kPageStep;
    default:
      return 0;
  }
}

}  // namespace

Tdragger::Tdragger(QWidget* parent)
    : QWidget(parent),
      FCtrl1(kDefaultCtrl),
      FCtrl2(kDefaultCtrl),
      FCtrl3(kDefaultCtrl),
      FDragPacer(*this, [this] { emit OnChanging(this); }),
      FWheelPacer(*this, [this] { FinishEdit(); }) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::ClickFocus);
  setFont(ControlFont());
  setColor(kDefaultColor);
  setFontColor(kDefaultFontColor);
  resize(kDefaultWidth, kDefaultHeight);
  FCaption = QString::number(FPosition);
}

Tdragger::~Tdragger() = default;

int Tdragger::CaptionCtrl() const {
  if (FItems.isEmpty()) {
    return 0;
  }
  const long long index = static_cast<long long>(FPosition) - FMin;
  if (index < 0 || index >= FItems.size()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return ItemNumber(FItems.at(static_cast<qsizetype>(index)));
}

void Tdragger::SetCtrl(QString& field, const QString& text) {
  field = kHexMark + FormatHexByte(ParseHexSetting(text));
}

void Tdragger::setCtrl1(const QString& text) {
  SetCtrl(FCtrl1, text);
}

void Tdragger::setCtrl2(const QString& text) {
  SetCtrl(FCtrl2, text);
}

void Tdragger::setCtrl3(const QString& text) {
  SetCtrl(FCtrl3, text);
}

void Tdragger::setItems(const QStringList& items) {
  FItems = items;
  FCaptionTexts.SetItems(items);
  if (FItems.size() == RangeCount(FMin, FMax)) {
    setPosition(FPosition);
  }
}

void Tdragger::setPosition(int value) {
  if (value > FMax || value < FMin) {
    return;
  }
  FPosition = value;
  if (const auto caption = FCaptionTexts.CaptionFor(FMin, FMax, FAllowPrefixSuffix, value)) {
    setCaption(*caption);
  }
}

void Tdragger::setMin(int value) {
  FMin = FMax < FMin ? FMax : value;
  if (FPosition < FMin) {
    FPosition = FMin;
  }
  setPosition(FPosition);
}

void Tdragger::setMax(int value) {
  FMax = FMin > FMax ? FMin : value;
  if (FPosition > FMax) {
    FPosition = FMax;
  }
  setPosition(FPosition);
}

bool Tdragger::TabStop() const {
  return focusPolicy() == Qt::StrongFocus;
}

void Tdragger::setTabStop(bool tabStop) {
  setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void Tdragger::setCaption(const QString& caption) {
  if (caption == FCaption) {
    return;
  }
  FCaption = caption;
  update();
}

QColor Tdragger::Color() const {
  return palette().color(QPalette::Window);
}

void Tdragger::setColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::Window, color);
  setPalette(colours);
}

QColor Tdragger::FontColor() const {
  return palette().color(QPalette::WindowText);
}

void Tdragger::setFontColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, color);
  setPalette(colours);
}

Tdragger::TBevelCut Tdragger::BevelOuter() const {
  switch (FFrame.bevelOuter) {
    case Bevel::None:
      return bvNone;
    case Bevel::Lowered:
      return bvLowered;
    case Bevel::Raised:
      break;
  }
  return bvRaised;
}

void Tdragger::setBevelOuter(TBevelCut bevel) {
  switch (bevel) {
    case bvNone:
      FFrame.bevelOuter = Bevel::None;
      break;
    case bvLowered:
      FFrame.bevelOuter = Bevel::Lowered;
      break;
    case bvRaised:
      FFrame.bevelOuter = Bevel::Raised;
      break;
  }
  update();
}

Tdragger::TBorderStyle Tdragger::BorderStyle() const {
  return FFrame.clientEdge ? bsSingle : bsNone;
}

void Tdragger::setBorderStyle(TBorderStyle style) {
  FFrame.clientEdge = style == bsSingle;
  update();
}

QSize Tdragger::sizeHint() const {
  return {kDefaultWidth, kDefaultHeight};
}

void Tdragger::setEditClock(const TEditClock* clock) {
  FDragPacer.SetClock(clock);
  FWheelPacer.SetClock(clock);
}

QSize Tdragger::CaptionRoom() const {
  const int frame = FrameWidth(FFrame);
  return rect().adjusted(frame, frame, -frame, -frame).size();
}

QFont Tdragger::CaptionFont() const {
  const QFont& own = font();
  const QSize room = CaptionRoom();
  if (FCaption != FFittedCaption || own != FFittedFor || room != FFittedRoom) {
    FFittedFont = FitCaptionFont(own, FCaption, room);
    FFittedCaption = FCaption;
    FFittedFor = own;
    FFittedRoom = room;
  }
  return FFittedFont;
}

void Tdragger::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), Color());
  const QRect inner = DrawPanelFrame(painter, rect(), FFrame);
  painter.setClipRect(inner);
  painter.setFont(CaptionFont());
  painter.setPen(FontColor());
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, FCaption);
}

// A press starts a new drag: its first move is compared with the press point.
void Tdragger::Press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position,
                     QPoint screenPosition) {
  setFocus(Qt::MouseFocusReason);
  ++FGestureNumber;
  FLastDragX = position.x();
  if (button == Qt::LeftButton) {
    FDragging = true;
    FDragPacer.Restart();
  }
  emit OnMouseDown(this, button, modifiers, position);
  FPressPoint = screenPosition;
  FPointer.Hide();
}

void Tdragger::Release(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position) {
  if (button == Qt::LeftButton) {
    FDragging = false;
    FDragPacer.Cancel();
  }
  MovePointerTo(FPressPoint);
  try {
    emit OnMouseUp(this, button, modifiers, position);
  } catch (...) {
    FPointer.Show();
    throw;
  }
  FPointer.Show();
}

void Tdragger::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FClickPending = true;
  }
  Press(event->button(), event->modifiers(), event->position().toPoint(),
        event->globalPosition().toPoint());
  event->accept();
}

void Tdragger::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    emit OnDblClick(this);
    if (FAllowReset && FPositionDefault >= FItems.size() - 1) {
      setPosition(FPositionDefault);
    }
  }
  Press(event->button(), event->modifiers(), event->position().toPoint(),
        event->globalPosition().toPoint());
  event->accept();
}

void Tdragger::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const bool clicked = FClickPending && rect().contains(position);
    FClickPending = false;
    if (clicked) {
      emit OnClick(this);
    }
  }
  Release(event->button(), event->modifiers(), position);
  event->accept();
}

void Tdragger::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  emit OnMouseMove(this, event->buttons(), event->modifiers(), position);
  Drag(event->buttons(), event->modifiers(), position.x());
  event->accept();
}

void Tdragger::Drag(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x) {
  if (buttons != Qt::LeftButton) {
    return;
  }
  const Qt::KeyboardModifiers keys = modifiers & kShiftStateKeys;
  if (keys != Qt::NoModifier && keys != Qt::ShiftModifier) {
    return;
  }
  const int step = keys == Qt::ShiftModifier ? kShiftDragStep : kDragStep;
  const int before = FPosition;
  if (x > FLastDragX) {
    StepRight(step);
  } else if (x < FLastDragX) {
    StepLeft(step);
  }
  FLastDragX = x;
  if (FSendWhileDragging && FDragging && FPosition != before) {
    FDragPacer.Request();
  }
}

// Two stages: the first moves by one step; the second moves once more while the value lies
// below the item count (right) or at 1 or above (left), so the speed depends on the value.
// With AllowLoop a step past an end continues at the other end, and the second stage is
// skipped for that move so the value comes to rest on the end it wrapped to.
void Tdragger::StepRight(int step) {
  const long long itemCount = FItems.size();
  if (static_cast<long long>(FPosition) + step <= FMax) {
    OfferPosition(static_cast<long long>(FPosition) + step);
  } else if (FAllowLoop) {
    setPosition(FMin);
    return;
  }
  if (FPosition < itemCount - step) {
    OfferPosition(static_cast<long long>(FPosition) + step);
  }
}

void Tdragger::StepLeft(int step) {
  if (static_cast<long long>(FPosition) - 1 >= FMin) {
    OfferPosition(static_cast<long long>(FPosition) - step);
  } else if (FAllowLoop) {
    setPosition(FMax);
    return;
  }
  if (FPosition >= 1) {
    OfferPosition(static_cast<long long>(FPosition) - step);
  }
}

void Tdragger::OfferPosition(long long value) {
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return;
  }
  setPosition(static_cast<int>(value));
}

void Tdragger::StepClamped(int delta) {
  if (FMin > FMax) {
    return;
  }
  const long long target = std::clamp(static_cast<long long>(FPosition) + delta,
                                      static_cast<long long>(FMin), static_cast<long long>(FMax));
  setPosition(static_cast<int>(target));
}

void Tdragger::FinishEdit() {
  ++FGestureNumber;
  emit OnMouseUp(this, Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
}

// Held keys repeat their presses: each steps, and the one release finishes the edit.
void Tdragger::keyPressEvent(QKeyEvent* event) {
  emit onKeyDown(this, event->key(), event->modifiers());
  if (!event->text().isEmpty()) {
    emit onKeyPress(this, event->text());
  }
  const int step = KeyStep(event->key());
  if (step != 0 && (FEditKey == 0 || FEditKey == event->key())) {
    StepClamped(step);
    FEditKey = event->key();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Tdragger::wheelEvent(QWheelEvent* event) {
  const QPoint angle = event->angleDelta();
  // Some platforms turn a wheel held with Shift into a sideways one.
  FWheelRemainder += angle.y() != 0 ? angle.y() : angle.x();
  const int notches = FWheelRemainder / kWheelNotch;
  FWheelRemainder -= notches * kWheelNotch;
  event->accept();
  if (notches == 0) {
    return;
  }
  setFocus(Qt::MouseFocusReason);
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  StepClamped(notches * (shift ? kShiftWheelStep : kWheelStep));
  FWheelPacer.Request();
}

void Tdragger::keyReleaseEvent(QKeyEvent* event) {
  // The platform repeats only presses while a key is held; one release ends the key.
  if (event->isAutoRepeat()) {
    QWidget::keyReleaseEvent(event);
    return;
  }
  emit onKeyUp(this, event->key(), event->modifiers());
  const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
  if (keypad && (event->key() == Qt::Key_Minus || event->key() == Qt::Key_Plus)) {
    const int step = event->key() == Qt::Key_Minus ? -kKeypadStep : kKeypadStep;
    OfferPosition(static_cast<long long>(FPosition) + step);
    ++FGestureNumber;
    Release(Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
    event->accept();
    return;
  }
  if (FEditKey != 0 && event->key() == FEditKey) {
    FEditKey = 0;
    FinishEdit();
    event->accept();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void Tdragger::SetBold(bool bold) {
  QFont face = font();
  face.setBold(bold);
  setFont(face);
  update();
}

void Tdragger::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  SetBold(true);
}

void Tdragger::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  SetBold(false);
  // A dialog opened mid-drag takes the focus and the release that would show the pointer.
  FPointer.Show();
  FDragging = false;
  FDragPacer.Cancel();
  // The release of a key that stepped the value goes elsewhere now: the edit ends here.
  if (std::exchange(FEditKey, 0) != 0) {
    FinishEdit();
  }
}

void Tdragger::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  emit OnMouseEnter(this);
}

void Tdragger::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit OnMouseLeave(this);
}

void Tdragger::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  FPointer.Show();
  FDragging = false;
  FDragPacer.Cancel();
}

}  // namespace morvane::controls
