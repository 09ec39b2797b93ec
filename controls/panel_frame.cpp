#include "panel_frame.h"

#include <QColor>
#include <QPainter>

namespace morvane::controls {

namespace {

// The platform's three-dimensional edge colours.
const QColor kHighlight(255, 255, 255);
const QColor kLight(227, 227, 227);
const QColor kShadow(160, 160, 160);
const QColor kDarkShadow(105, 105, 105);

constexpr int kBevelWidth = 1;
constexpr int kClientEdgeWidth = 2;

// One line along the top and left edges in topLeft, one along the bottom and right edges in
// bottomRight; returns the rectangle inside the line.
QRect Frame3D(QPainter& painter, QRect rect, const QColor& topLeft, const QColor& bottomRight) {
  if (rect.isEmpty()) {
    return rect;
  }
  painter.setPen(topLeft);
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());
  painter.drawLine(rect.topRight(), rect.bottomRight());
  return rect.adjusted(1, 1, -1, -1);
}

}  // namespace

int FrameWidth(const PanelFrame& frame) {
  return (frame.clientEdge ? kClientEdgeWidth : 0) +
         (frame.bevelOuter != Bevel::None ? kBevelWidth : 0);
}

QRect DrawPanelFrame(QPainter& painter, QRect rect, const PanelFrame& frame) {
  if (frame.clientEdge) {
    rect = Frame3D(painter, rect, kShadow, kHighlight);
    rect = Frame3D(painter, rect, kDarkShadow, kLight);
  }
  if (frame.bevelOuter == Bevel::Raised) {
    rect = Frame3D(painter, rect, kHighlight, kShadow);
  } else if (frame.bevelOuter == Bevel::Lowered) {
    rect = Frame3D(painter, rect, kShadow, kHighlight);
  }
  return rect;
}

}  // namespace morvane::controls
