#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "param_map.h"
#include "preset/tmrv.h"

namespace morvane::parammap {

// The layer a control of page reads from an image when the Layer and Patchcords pages show
// shownLayer (1..4): the preset-wide block (0) for the Common page.
int LayerReadOn(Page page, int shownLayer);

// The value stored in the image for the control, on layer (0 = the preset-wide block, 1..4).
int StoredValue(preset::tMrv& image, const ControlSpec& control, int layer);

// The caption the control shows once the window has refreshed its page from a stored value,
// or nullopt where the control refuses the value and keeps what it showed.
std::optional<std::string> ShownCaptionText(const ControlSpec& control, int storedValue);

// The layer's instrument as the instrument list shows it: its line of the list, or its number
// where the list has no such line.
std::string InstrumentText(const std::vector<std::string>& instruments, int number);

// One line per name, instrument and value control whose stored value differs between two
// presets, page by page (Common, Layer, Patchcords), each Layer and Patchcords page for layers
// 1 to 4: "Layer 2  vol:  vol:+0dB → vol:-6dB". Empty when nothing differs.
std::vector<std::string> PresetDifferences(preset::tMrv& current, preset::tMrv& other,
                                           const std::vector<std::string>& instruments);

}  // namespace morvane::parammap
