#include "pointer_control.h"

#include <QCursor>
#include <QGuiApplication>

namespace morvane::controls {

PointerHider::~PointerHider() {
  Show();
}

void PointerHider::Hide() {
  if (hidden_) {
    return;
  }
  QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  hidden_ = true;
}

void PointerHider::Show() {
  if (!hidden_) {
    return;
  }
  QGuiApplication::restoreOverrideCursor();
  hidden_ = false;
}

bool CanMovePointer() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void MovePointerTo(QPoint screenPosition) {
  if (CanMovePointer()) {
    QCursor::setPos(screenPosition);
  }
}

}  // namespace morvane::controls
