#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "engine/key_codes.h"

class QWidget;

namespace morvane::editor {

// Sees the key presses and releases meant for the window before the focused control does, and
// hands each once to the window as a Windows virtual-key code, while the window has the keys:
// it is the active window and the focus is not in a text field (an open drop-down list of the
// window counts as the window; its menus, dialogs and other windows do not). A key it handed
// down is handed up too, wherever its release arrives, and when the window loses the
// activation. The event goes on to the control, except a typed character for a list box,
// which would otherwise choose an item by its first letter. Installed on the application,
// since a key ignored by a control travels on to its parents and each of them would otherwise
// see it again.
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
  // The window is active and no text field has the focus.
  bool WindowHasKeys() const;
  void HandUp(engine::TVirtualKey code, engine::TShiftState shift);
  void HandUpAll();
  // True for the same event passed on from a control to its parent.
  bool IsPassedOn(const QEvent& event, const QWidget& receiver) const;

  QWidget& FWindow;
  KeyDownHandler FOnKeyDown;
  KeyUpHandler FOnKeyUp;
  const QEvent* FLastEvent = nullptr;
  QEvent::Type FLastType = QEvent::None;
  quint64 FLastTimestamp = 0;
  QPointer<QWidget> FLastReceiver;
  // The keys handed down whose release has not been handed up yet.
  std::vector<engine::TVirtualKey> FDown;
};

}  // namespace morvane::editor
