#include "keyboard_preview.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>

#include "handler_guard.h"
#include "virtual_key.h"

namespace morvane::editor {

namespace {

bool IsTextField(const QWidget& widget) {
  if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) {
    return !line->isReadOnly();
  }
  if (const auto* text = qobject_cast<const QTextEdit*>(&widget)) {
    return !text->isReadOnly();
  }
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) {
    return !plain->isReadOnly();
  }
  if (const auto* box = qobject_cast<const QComboBox*>(&widget)) {
    return box->isEditable();
  }
  return qobject_cast<const QAbstractSpinBox*>(&widget) != nullptr;
}

// A list box, or the drop-down list it has opened.
bool IsListBox(const QWidget& widget) {
  for (const QWidget* at = &widget; at != nullptr; at = at->parentWidget()) {
    if (qobject_cast<const QComboBox*>(at) != nullptr) {
      return true;
    }
  }
  return false;
}

// A key that types a character, with which a list box chooses the item it begins.
bool TypesCharacter(const QKeyEvent& key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    return false;
  }
  const QString text = key.text();
  return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace

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

bool TKeyboardPreview::WindowHasKeys() const {
  if (QApplication::activeWindow() != &FWindow) {
    return false;
  }
  const QWidget* focus = QApplication::focusWidget();
  return focus == nullptr || !IsTextField(*focus);
}

void TKeyboardPreview::HandUp(engine::TVirtualKey code, engine::TShiftState shift) {
  std::erase(FDown, code);
  RunGuarded([&] { FOnKeyUp(code, shift); });
}

void TKeyboardPreview::HandUpAll() {
  const std::vector<engine::TVirtualKey> down = std::move(FDown);
  FDown.clear();
  for (const engine::TVirtualKey code : down) {
    HandUp(code, engine::TShiftState{});
  }
}

bool TKeyboardPreview::IsPassedOn(const QEvent& event, const QWidget& receiver) const {
  const auto& key = static_cast<const QKeyEvent&>(event);
  return &event == FLastEvent && event.type() == FLastType && key.timestamp() == FLastTimestamp &&
         FLastReceiver != nullptr && FLastReceiver->parentWidget() == &receiver;
}

bool TKeyboardPreview::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // The window loses the keys to another program, or to another window of this one (which the
  // toolkit may count as sharing the window's activation, so that the window hears nothing).
  if ((type == QEvent::WindowDeactivate && watched == &FWindow) ||
      (type == QEvent::WindowActivate && watched != &FWindow)) {
    if (!FDown.empty()) {
      HandUpAll();
    }
    return false;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
    return false;
  }
  // Where the platform repeats a held key as release and press, only the presses are real:
  // the engine ignores a repeated press of a held key but would end its note on a release.
  if (type == QEvent::KeyRelease && static_cast<const QKeyEvent*>(event)->isAutoRepeat()) {
    return false;
  }
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (receiver == nullptr) {
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
  const bool windowHasKeys = BelongsToWindow(*receiver) && WindowHasKeys();
  if (type == QEvent::KeyRelease) {
    if (windowHasKeys || std::ranges::find(FDown, code) != FDown.end()) {
      HandUp(code, shift);
    }
    return false;
  }
  if (!windowHasKeys) {
    return false;
  }
  if (std::ranges::find(FDown, code) == FDown.end()) {
    FDown.push_back(code);
  }
  RunGuarded([&] { FOnKeyDown(code, shift); });
  return IsListBox(*receiver) && TypesCharacter(key);
}

}  // namespace morvane::editor
