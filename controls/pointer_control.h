#pragma once

#include <QPoint>

namespace morvane::controls {

// Hides the mouse pointer for one control and shows it again, always in pairs: a second hide
// while hidden, or a show while shown, does nothing. The pointer is hidden through the
// application's override cursor, which is one stack for the whole program, so an object that is
// destroyed while hiding restores what it pushed.
class PointerHider {
 public:
  PointerHider() = default;
  PointerHider(const PointerHider&) = delete;
  PointerHider& operator=(const PointerHider&) = delete;
  ~PointerHider();

  void Hide();
  void Show();
  bool IsHidden() const { return hidden_; }

 private:
  bool hidden_ = false;
};

// Moves the pointer to a screen position. Some platforms (Wayland) do not let a program move the
// pointer; there it stays where it is.
void MovePointerTo(QPoint screenPosition);

// Whether MovePointerTo can move the pointer on this platform.
bool CanMovePointer();

}  // namespace morvane::controls
