#pragma once

#include <QRect>

class QPainter;

namespace morvane::controls {

// The outer edge of a panel.
enum class Bevel { None, Lowered, Raised };

struct PanelFrame {
  Bevel bevelOuter = Bevel::Raised;
  // The platform's sunken client edge, two pixels wide, drawn outside the bevel.
  bool clientEdge = false;
};

// Width that a frame takes from each side of the control.
int FrameWidth(const PanelFrame& frame);

// Draws the frame along the edges of rect and returns the rectangle inside it.
QRect DrawPanelFrame(QPainter& painter, QRect rect, const PanelFrame& frame);

}  // namespace morvane::controls
