#pragma once

#include <QCheckBox>

namespace morvane::editor {

// A check box that reports every mouse release with the shift state at that moment, after its
// own toggling: the layer boxes use it to tell a plain click from a Shift+click.
class TLayerCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  using QCheckBox::QCheckBox;

 signals:
  void OnMouseUp(TLayerCheckBox* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                 QPoint position);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace morvane::editor
