#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <functional>

#include "engine/key_codes.h"

class QWidget;

namespace morvane::editor {

// Sees every key press and release meant for the window, whichever of its controls has the
// focus (an open drop-down list of the window included, its menus and dialogs not), before
// that control does, and hands each once to the window as a Windows virtual-key code. The
// event always goes on to the control. Installed on the application, since a key ignored by a
// control travels on to its parents and each of them would otherwise see it again.
class TKeyboardPreview : public QObject {
  Q_OBJECT

 public:
  using KeyDownHandler = std::function<void(engine::TVirtualKey key, engine::TShiftState shift)>;
  using KeyUpHandler = std::function<void(engine::TVirtualKey key, engine::TShiftState shift)>;

  TKeyboardPreview(QWidget& window, KeyDownHandler onKeyDown, KeyUpHandler onKeyUp);
  ~TKeyboardPreview() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool BelongsToWindow(const QWidget& widget) const;
  // True for the same event passed on from a control to its parent.
  bool IsPassedOn(const QEvent& event, const QWidget& receiver) const;

  QWidget& FWindow;
  KeyDownHandler FOnKeyDown;
  KeyUpHandler FOnKeyUp;
  const QEvent* FLastEvent = nullptr;
  QEvent::Type FLastType = QEvent::None;
  quint64 FLastTimestamp = 0;
  QPointer<QWidget> FLastReceiver;
};

}  // namespace morvane::editor
