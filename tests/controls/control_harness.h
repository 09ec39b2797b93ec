#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "tdragger.h"

namespace morvane::controls::testing {

// A shown, active window holding one control, so that focus and painting behave as on screen.
class Window {
 public:
  Window();
  QWidget* get() { return window_.get(); }

 private:
  std::unique_ptr<QWidget> window_;
};

// Sends the events that the platform delivers for a user's mouse and keys.
void Press(QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Move(QWidget* target, QPoint local, Qt::MouseButtons held = Qt::LeftButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Release(QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Press, release, double-click press and release, as the platform reports a double-click.
void DoubleClick(QWidget* target, QPoint local);
void KeyRelease(QWidget* target, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat = false);

// Whether the application currently hides the pointer, and how deep the override stack is.
bool PointerHidden();
int OverrideDepth();

// Records every signal of a dragger in order, as "OnMouseUp" etc., noting for OnMouseUp
// whether the pointer was hidden at that moment.
class SignalLog {
 public:
  explicit SignalLog(Tdragger* dragger);
  const QStringList& entries() const { return entries_; }
  int count(const QString& name) const { return static_cast<int>(entries_.count(name)); }
  void clear() { entries_.clear(); }
  bool hiddenDuringLastMouseUp() const { return hiddenDuringMouseUp_; }
  QPoint pointerDuringLastMouseUp() const { return pointerDuringMouseUp_; }

 private:
  QStringList entries_;
  bool hiddenDuringMouseUp_ = false;
  QPoint pointerDuringMouseUp_;
};

}  // namespace morvane::controls::testing
