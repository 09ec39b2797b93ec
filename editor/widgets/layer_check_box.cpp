#include "layer_check_box.h"

#include <QMouseEvent>

namespace morvane::editor {

void TLayerCheckBox::mouseReleaseEvent(QMouseEvent* event) {
  QCheckBox::mouseReleaseEvent(event);
  emit OnMouseUp(this, event->button(), event->modifiers(), event->position().toPoint());
}

}  // namespace morvane::editor
