#pragma once

#include <QFont>

namespace morvane::controls {

// Pixel height of the controls' face: 8 point at 96 pixels per inch.
inline constexpr int kControlFontPixels = 11;

// The controls' face "Tahoma" at kControlFontPixels, regular. Where the system lacks the face,
// the copy from Debian's fonts-wine is registered with the application; where that is missing
// too, the nearest sans-serif face at the same pixel height serves.
QFont ControlFont();

// Whether the "Tahoma" face itself is available to the application.
bool HasTahoma();

}  // namespace morvane::controls
