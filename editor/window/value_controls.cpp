#include <QColor>
#include <QFrame>
#include <QString>
#include <QStringList>

#include "handler_guard.h"
#include "tdragger.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

using controls::Tdragger;
using parammap::ControlSpec;
using parammap::ReleaseHandler;

const QColor kValueControlBackground(0, 0, 0);
constexpr QChar kHexMark = u'$';
constexpr int kHexBase = 16;
constexpr int kHexDigits = 2;

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString HexSetting(int byte) {
  return kHexMark +
         QStringLiteral("%1").arg(byte, kHexDigits, kHexBase, QLatin1Char('0')).toUpper();
}

QStringList ItemTexts(parammap::ItemList items) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(items.size()));
  for (std::string_view item : items) {
    texts << FromView(item);
  }
  return texts;
}

// The caption is rebuilt only by Min, Max, Items and Position, so the texts around the value
// are set before them and the start caption comes out as the layout shows it.
void Configure(Tdragger& control, const ControlSpec& spec) {
  control.setObjectName(FromView(spec.name));
  control.setGeometry(spec.place.left, spec.place.top, spec.place.width, spec.place.height);
  control.setColor(kValueControlBackground);
  const parammap::Rgb colour = parammap::ColourValue(spec.colour);
  control.setFontColor(QColor(colour.red, colour.green, colour.blue));
  if (spec.frame == parammap::Frame::SunkenEdge) {
    control.setBevelOuter(Tdragger::bvNone);
    control.setBorderStyle(Tdragger::bsSingle);
  } else {
    control.setBevelOuter(Tdragger::bvRaised);
    control.setBorderStyle(Tdragger::bsNone);
  }
  control.setCtrl1(HexSetting(spec.Ctrl1()));
  control.setCtrl2(HexSetting(spec.Ctrl2()));
  control.setCtrl3(HexSetting(0));
  control.setIncrementValue(1);
  control.setAllowLoop(false);
  control.setAllowReset(true);
  control.setTabStop(spec.tabStop);

  control.setPrefix(FromView(spec.prefix));
  control.setSuffix(FromView(spec.suffix));
  control.setAllowPrefixSuffix(spec.allowPrefixSuffix);
  control.setMin(spec.min);
  control.setMax(spec.max);
  if (!spec.items.empty()) {
    control.setItems(ItemTexts(spec.items));
  }
  control.setPosition(spec.start);
  control.setPositionDefault(spec.positionDefault);
}

using ReleaseSlot = void (TForm1::*)(Tdragger*, Qt::MouseButton, Qt::KeyboardModifiers, QPoint);

ReleaseSlot ReleaseSlotOf(ReleaseHandler handler) {
  switch (handler) {
    case ReleaseHandler::Plain:
      return &TForm1::dragger1MouseUp;
    case ReleaseHandler::PresetKnob:
      return &TForm1::dragger25MouseUp;
    case ReleaseHandler::FilterType:
      return &TForm1::filtertypeMouseUp;
    case ReleaseHandler::CordSource:
      return &TForm1::dragger72MouseUp;
    case ReleaseHandler::CordDestination:
      return &TForm1::dragger73MouseUp;
    case ReleaseHandler::Velocity:
      return &TForm1::velMouseUp;
    case ReleaseHandler::VelocityRandomness:
      break;
  }
  return &TForm1::velrndMouseUp;
}

}  // namespace

bool SendsToModule(ReleaseHandler handler) {
  return handler != ReleaseHandler::Velocity && handler != ReleaseHandler::VelocityRandomness;
}

void TForm1::BuildValueControls(parammap::Page page, QFrame* panel) {
  for (const ControlSpec& spec : parammap::ControlsOn(page)) {
    auto* control = new Tdragger(panel);
    Configure(*control, spec);
    FValueControls.push_back({control, &spec});
    ConnectReleaseHandler(FValueControls.back());
  }
}

// The edits sent while dragging go through the release handler too: each sends the value as a
// release would, and the drag's steps join into one undo step.
void TForm1::ConnectReleaseHandler(const TValueControl& valueControl) {
  Tdragger* control = valueControl.control;
  control->setEditClock(&editClock);
  const ReleaseSlot handler = ReleaseSlotOf(valueControl.spec->handler);
  ConnectGuarded(control, &Tdragger::OnMouseUp, this, handler);
  if (SendsToModule(valueControl.spec->handler)) {
    QObject::connect(control, &Tdragger::OnChanging, this, [this, handler](Tdragger* sender) {
      RunGuarded([&] { (this->*handler)(sender, Qt::LeftButton, Qt::NoModifier, QPoint()); });
    });
  }
}

}  // namespace morvane::editor
