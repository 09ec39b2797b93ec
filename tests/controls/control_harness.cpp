#include "control_harness.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

namespace morvane::controls::testing {

namespace {

constexpr QSize kWindowSize(200, 100);
constexpr QPoint kWindowPlace(100, 100);

void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                    modifiers);
  QApplication::sendEvent(target, &event);
}

}  // namespace

Window::Window() : window_(std::make_unique<QWidget>()) {
  window_->resize(kWindowSize);
  window_->move(kWindowPlace);
  window_->show();
  window_->activateWindow();
  (void)QTest::qWaitForWindowActive(window_.get());
}

void Press(QWidget* target, QPoint local, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  SendMouse(target, QEvent::MouseButtonPress, local, button, button, modifiers);
}

void Move(QWidget* target, QPoint local, Qt::MouseButtons held, Qt::KeyboardModifiers modifiers) {
  SendMouse(target, QEvent::MouseMove, local, Qt::NoButton, held, modifiers);
}

void Release(QWidget* target, QPoint local, Qt::MouseButton button,
             Qt::KeyboardModifiers modifiers) {
  SendMouse(target, QEvent::MouseButtonRelease, local, button, Qt::NoButton, modifiers);
}

void DoubleClick(QWidget* target, QPoint local) {
  Press(target, local);
  Release(target, local);
  SendMouse(target, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton,
            Qt::NoModifier);
  Release(target, local);
}

void KeyRelease(QWidget* target, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
  QKeyEvent event(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
  QApplication::sendEvent(target, &event);
}

bool PointerHidden() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::BlankCursor;
}

int OverrideDepth() {
  int depth = 0;
  while (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::restoreOverrideCursor();
    ++depth;
  }
  for (int i = 0; i < depth; ++i) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  }
  return depth;
}

SignalLog::SignalLog(Tdragger* dragger) {
  auto note = [this](const char* name) { return [this, name] { entries_ << name; }; };
  QObject::connect(dragger, &Tdragger::OnMouseDown, note("OnMouseDown"));
  QObject::connect(dragger, &Tdragger::OnMouseMove, note("OnMouseMove"));
  QObject::connect(dragger, &Tdragger::OnMouseUp, [this] {
    entries_ << "OnMouseUp";
    hiddenDuringMouseUp_ = PointerHidden();
    pointerDuringMouseUp_ = QCursor::pos();
  });
  QObject::connect(dragger, &Tdragger::OnClick, note("OnClick"));
  QObject::connect(dragger, &Tdragger::OnDblClick, note("OnDblClick"));
  QObject::connect(dragger, &Tdragger::OnMouseEnter, note("OnMouseEnter"));
  QObject::connect(dragger, &Tdragger::OnMouseLeave, note("OnMouseLeave"));
  QObject::connect(dragger, &Tdragger::onKeyDown, note("onKeyDown"));
  QObject::connect(dragger, &Tdragger::onKeyUp, note("onKeyUp"));
  QObject::connect(dragger, &Tdragger::onKeyPress, note("onKeyPress"));
}

}  // namespace morvane::controls::testing
