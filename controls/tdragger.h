#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "dragger_caption.h"
#include "edit_pacer.h"
#include "panel_frame.h"
#include "pointer_control.h"

namespace morvane::controls {

// The value control: a coloured text panel showing one parameter, changed by dragging the mouse
// sideways, by a double-click (back to PositionDefault), by the numeric keypad's plus and
// minus keys, and while it has the focus by the wheel, the arrow keys and Page Up/Down. A
// finished edit is signalled by OnMouseUp: once per release of the mouse or of a key, once per
// wheel notch but at most once per TEditPacer::kIntervalMs, the last value always.
class Tdragger : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int CaptionCtrl READ CaptionCtrl)
  Q_PROPERTY(QString Ctrl1 READ Ctrl1 WRITE setCtrl1)
  Q_PROPERTY(QString Ctrl2 READ Ctrl2 WRITE setCtrl2)
  Q_PROPERTY(QString Ctrl3 READ Ctrl3 WRITE setCtrl3)
  Q_PROPERTY(QStringList Items READ Items WRITE setItems)
  Q_PROPERTY(bool AllowLoop READ AllowLoop WRITE setAllowLoop)
  Q_PROPERTY(bool AllowPrefixSuffix READ AllowPrefixSuffix WRITE setAllowPrefixSuffix)
  Q_PROPERTY(int PositionDefault READ PositionDefault WRITE setPositionDefault)
  Q_PROPERTY(int Position READ Position WRITE setPosition)
  Q_PROPERTY(QString Prefix READ Prefix WRITE setPrefix)
  Q_PROPERTY(QString Suffix READ Suffix WRITE setSuffix)
  Q_PROPERTY(int Min READ Min WRITE setMin)
  Q_PROPERTY(int Max READ Max WRITE setMax)
  Q_PROPERTY(int Tag1 READ Tag1 WRITE setTag1)
  Q_PROPERTY(int Tag2 READ Tag2 WRITE setTag2)
  Q_PROPERTY(int Tag3 READ Tag3 WRITE setTag3)
  Q_PROPERTY(int Tag4 READ Tag4 WRITE setTag4)
  Q_PROPERTY(int Tag5 READ Tag5 WRITE setTag5)
  Q_PROPERTY(bool AllowReset READ AllowReset WRITE setAllowReset)
  Q_PROPERTY(int IncrementValue READ IncrementValue WRITE setIncrementValue)
  Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(QColor Color READ Color WRITE setColor)
  Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)
  Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
  Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)

 public:
  enum TBevelCut { bvNone, bvLowered, bvRaised };
  Q_ENUM(TBevelCut)
  // bsSingle is the platform's sunken client edge.
  enum TBorderStyle { bsNone, bsSingle };
  Q_ENUM(TBorderStyle)

  static constexpr int kDefaultWidth = 48;
  static constexpr int kDefaultHeight = 14;
  static constexpr int kDefaultMax = 127;
  static constexpr int kDragStep = 1;
  static constexpr int kShiftDragStep = 10;
  static constexpr int kKeypadStep = 1;
  static constexpr int kKeyStep = 1;
  static constexpr int kPageStep = 10;
  static constexpr int kWheelStep = 1;
  static constexpr int kShiftWheelStep = 10;

  explicit Tdragger(QWidget* parent = nullptr);
  ~Tdragger() override;

  // The number after the "|" of the current position's item; 0 without items. Throws
  // EListError when the position has no item, EConvertError when the number is not one.
  int CaptionCtrl() const;

  QString Ctrl1() const { return FCtrl1; }
  QString Ctrl2() const { return FCtrl2; }
  QString Ctrl3() const { return FCtrl3; }
  // Stores "$" and at least two upper-case hexadecimal digits ("b" gives "$0B"). Throws
  // EConvertError for a text that is not hexadecimal and keeps the previous text.
  void setCtrl1(const QString& text);
  void setCtrl2(const QString& text);
  void setCtrl3(const QString& text);

  const QStringList& Items() const { return FItems; }
  // Copies the lines; the caption is rebuilt only when they cover the range exactly.
  void setItems(const QStringList& items);

  bool AllowLoop() const { return FAllowLoop; }
  void setAllowLoop(bool allow) { FAllowLoop = allow; }
  bool AllowPrefixSuffix() const { return FAllowPrefixSuffix; }
  void setAllowPrefixSuffix(bool allow) { FAllowPrefixSuffix = allow; }
  int PositionDefault() const { return FPositionDefault; }
  void setPositionDefault(int value) { FPositionDefault = value; }

  int Position() const { return FPosition; }
  // A value outside Min..Max is ignored; otherwise the caption follows the value.
  void setPosition(int value);

  QString Prefix() const { return FPrefix; }
  void setPrefix(const QString& prefix) {
    FPrefix = prefix;
    FCaptionTexts.SetPrefix(prefix);
  }
  QString Suffix() const { return FSuffix; }
  void setSuffix(const QString& suffix) {
    FSuffix = suffix;
    FCaptionTexts.SetSuffix(suffix);
  }

  int Min() const { return FMin; }
  void setMin(int value);
  int Max() const { return FMax; }
  void setMax(int value);

  int Tag1() const { return FTag1; }
  void setTag1(int value) { FTag1 = value; }
  int Tag2() const { return FTag2; }
  void setTag2(int value) { FTag2 = value; }
  int Tag3() const { return FTag3; }
  void setTag3(int value) { FTag3 = value; }
  int Tag4() const { return FTag4; }
  void setTag4(int value) { FTag4 = value; }
  int Tag5() const { return FTag5; }
  void setTag5(int value) { FTag5 = value; }

  bool AllowReset() const { return FAllowReset; }
  void setAllowReset(bool allow) { FAllowReset = allow; }
  int IncrementValue() const { return FIncrementValue; }
  void setIncrementValue(int value) { FIncrementValue = value; }

  bool TabStop() const;
  void setTabStop(bool tabStop);

  QString Caption() const { return FCaption; }
  void setCaption(const QString& caption);

  QColor Color() const;
  void setColor(const QColor& color);
  QColor FontColor() const;
  void setFontColor(const QColor& color);
  TBevelCut BevelOuter() const;
  void setBevelOuter(TBevelCut bevel);
  TBorderStyle BorderStyle() const;
  void setBorderStyle(TBorderStyle style);

  QSize sizeHint() const override;

  // While set, a drag with the left button also raises OnChanging as the value changes, at
  // most once per TEditPacer::kIntervalMs and not before that long after the press; the
  // release raises OnMouseUp as always.
  bool SendWhileDragging() const { return FSendWhileDragging; }
  void setSendWhileDragging(bool send) { FSendWhileDragging = send; }
  // The clock of the paced edits; the system's unless set. Must outlive the control.
  void setEditClock(const TEditClock* clock);
  // Counts the user's gestures on the control: a press, a wheel edit, a key edit. The
  // OnChanging signals of a drag and its release share the press's number.
  int GestureNumber() const { return FGestureNumber; }
  // The face the caption is drawn in: the control's font, narrower or smaller where the
  // caption would not fit inside the frame.
  QFont CaptionFont() const;
  // The room the caption has inside the frame.
  QSize CaptionRoom() const;

 signals:
  void OnMouseDown(Tdragger* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                   QPoint position);
  void OnMouseMove(Tdragger* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                   QPoint position);
  // The user has finished changing the value.
  void OnMouseUp(Tdragger* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                 QPoint position);
  // The value changed during a drag while SendWhileDragging is set.
  void OnChanging(Tdragger* sender);
  void OnClick(Tdragger* sender);
  void OnDblClick(Tdragger* sender);
  void OnMouseEnter(Tdragger* sender);
  void OnMouseLeave(Tdragger* sender);
  void onKeyDown(Tdragger* sender, int key, Qt::KeyboardModifiers modifiers);
  void onKeyUp(Tdragger* sender, int key, Qt::KeyboardModifiers modifiers);
  void onKeyPress(Tdragger* sender, const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position,
             QPoint screenPosition);
  void Release(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
  void Drag(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x);
  void StepRight(int step);
  void StepLeft(int step);
  // Moves by delta, stopping at Min or Max.
  void StepClamped(int delta);
  // Raises OnMouseUp for an edit made by a key or the wheel, without moving the pointer.
  void FinishEdit();
  // Values beyond the int range lie outside every Min..Max and are refused like them.
  void OfferPosition(long long value);
  void SetBold(bool bold);
  void SetCtrl(QString& field, const QString& text);

  QString FCtrl1;
  QString FCtrl2;
  QString FCtrl3;
  QStringList FItems;
  bool FAllowLoop = false;
  bool FAllowPrefixSuffix = true;
  int FPositionDefault = 0;
  int FPosition = 0;
  QString FPrefix;
  QString FSuffix;
  int FMin = 0;
  int FMax = kDefaultMax;
  int FTag1 = 0;
  int FTag2 = 0;
  int FTag3 = 0;
  int FTag4 = 0;
  int FTag5 = 0;
  bool FAllowReset = true;
  int FIncrementValue = 1;
  QString FCaption;
  CaptionTexts FCaptionTexts;
  PanelFrame FFrame;

  int FLastDragX = 0;
  QPoint FPressPoint;
  bool FClickPending = false;
  PointerHider FPointer;

  bool FSendWhileDragging = false;
  bool FDragging = false;
  int FGestureNumber = 0;
  // The key whose release finishes the edit its presses made; 0 when none.
  int FEditKey = 0;
  int FWheelRemainder = 0;
  TEditPacer FDragPacer;
  TEditPacer FWheelPacer;
  // The caption font fitted for the caption, font and room it was worked out for.
  mutable QString FFittedCaption;
  mutable QFont FFittedFor;
  mutable QSize FFittedRoom;
  mutable QFont FFittedFont;
};

}  // namespace morvane::controls
