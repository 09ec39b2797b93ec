#include "keyboard_preview.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

#include "handler_guard.h"
#include "virtual_key.h"

namespace morvane::editor {

TKeyboardPreview::TKeyboardPreview(QWidget& window, KeyDownHandler onKeyDown, KeyUpHandler onKeyUp)
    : QObject(&window),
      FWindow(window),
      FOnKeyDown(std::move(onKeyDown)),
      FOnKeyUp(std::move(onKeyUp)) {
  QCoreApplication::instance()->installEventFilter(this);
}

TKeyboardPreview::~TKeyboardPreview() {
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeEventFilter(this);
  }
}

bool TKeyboardPreview::BelongsToWindow(const QWidget& widget) const {
  const QWidget* window = widget.window();
  if (window == &FWindow) {
    return true;
  }
  // A drop-down list is a window of its own whose parent is the list box.
  if (window->windowType() != Qt::Popup || qobject_cast<const QMenu*>(window) != nullptr) {
    return false;
  }
  for (const QWidget* parent = window->parentWidget(); parent != nullptr;
       parent = parent->parentWidget()) {
    if (parent == &FWindow) {
      return true;
    }
  }
  return false;
}

bool TKeyboardPreview::IsPassedOn(const QEvent& event, const QWidget& receiver) const {
  const auto& key = static_cast<const QKeyEvent&>(event);
  return &event == FLastEvent && event.type() == FLastType && key.timestamp() == FLastTimestamp &&
         FLastReceiver != nullptr && FLastReceiver->parentWidget() == &receiver;
}

bool TKeyboardPreview::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
    return false;
  }
  // Where the platform repeats a held key as release and press, only the presses are real:
  // the engine ignores a repeated press of a held key but would end its note on a release.
  if (type == QEvent::KeyRelease && static_cast<const QKeyEvent*>(event)->isAutoRepeat()) {
    return false;
  }
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (receiver == nullptr || !BelongsToWindow(*receiver)) {
    return false;
  }
  const bool passedOn = IsPassedOn(*event, *receiver);
  const auto& key = static_cast<const QKeyEvent&>(*event);
  FLastEvent = event;
  FLastType = type;
  FLastTimestamp = key.timestamp();
  FLastReceiver = receiver;
  if (passedOn) {
    return false;
  }
  const engine::TVirtualKey code = VirtualKeyOf(key);
  const engine::TShiftState shift = ShiftStateOf(key.modifiers());
  RunGuarded([&] {
    if (type == QEvent::KeyPress) {
      FOnKeyDown(code, shift);
    } else {
      FOnKeyUp(code, shift);
    }
  });
  return false;
}

}  // namespace morvane::editor
