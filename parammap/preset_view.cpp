#include "preset_view.h"

#include <array>
#include <string>

namespace morvane::parammap {

namespace {

constexpr int kCommonLayer = 0;
constexpr int kLayerCount = 4;
// The layer's instrument number: parameter 0B:01, read as group 0 of the layer.
constexpr std::int8_t kInstrumentGroup = 0;
constexpr int kInstrumentLow = 0x01;
constexpr std::string_view kArrow = " \u2192 ";
constexpr std::string_view kFieldGap = "  ";
constexpr std::string_view kKeptCaption = "-";
constexpr std::string_view kNameLabel = "name:";
constexpr std::string_view kInstrumentLabel = "instrument:";
// The Patchcords page holds a source, a destination and an amount control per cord.
constexpr int kControlsPerCord = 3;

std::string SectionName(int layer) {
  return layer == kCommonLayer ? std::string("Common") : "Layer " + std::to_string(layer);
}

// What names the control in a line: its caption's prefix ("vol:"), or its layout name where
// the caption carries none; on the Patchcords page after the cord's number ("cord 3 src:").
std::string ControlLabel(const ControlSpec& control, int indexOnPage) {
  const std::string label =
      control.prefix.empty() ? std::string(control.name) + ":" : std::string(control.prefix);
  if (control.page != Page::Patchcords) {
    return label;
  }
  return "cord " + std::to_string(indexOnPage / kControlsPerCord + 1) + " " + label;
}

// The name as the window's caption shows it, without the padding to 16 characters.
std::string NameText(const std::string& name) {
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

std::string CaptionOrKept(const ControlSpec& control, int storedValue) {
  return ShownCaptionText(control, storedValue).value_or(std::string(kKeptCaption));
}

std::string Line(int layer, std::string_view label, const std::string& current,
                 const std::string& other) {
  std::string line = SectionName(layer);
  line.append(kFieldGap).append(label).append(kFieldGap).append(current);
  line.append(kArrow).append(other);
  return line;
}

void AddControlLines(Page page, int layer, preset::tMrv& current, preset::tMrv& other,
                     std::vector<std::string>& lines) {
  const std::span<const ControlSpec> controls = ControlsOn(page);
  for (std::size_t index = 0; index < controls.size(); ++index) {
    const ControlSpec& control = controls[index];
    const int currentValue = StoredValue(current, control, layer);
    const int otherValue = StoredValue(other, control, layer);
    if (currentValue != otherValue) {
      lines.push_back(Line(layer, ControlLabel(control, static_cast<int>(index)),
                           CaptionOrKept(control, currentValue),
                           CaptionOrKept(control, otherValue)));
    }
  }
}

}  // namespace

int LayerReadOn(Page page, int shownLayer) {
  return page == Page::Common ? kCommonLayer : shownLayer;
}

int StoredValue(preset::tMrv& image, const ControlSpec& control, int layer) {
  return image.ReadParam(preset::GroupOf(control.Ctrl2()), control.Ctrl1(), layer);
}

std::optional<std::string> ShownCaptionText(const ControlSpec& control, int storedValue) {
  const std::optional<int> position = ShownPosition(control, storedValue);
  if (!position) {
    return std::nullopt;
  }
  return CaptionFor(CaptionSettingsOf(control, ItemsAfterStartUp(control)), *position);
}

std::string InstrumentText(const std::vector<std::string>& instruments, int number) {
  if (number >= 0 && static_cast<std::size_t>(number) < instruments.size()) {
    return instruments[static_cast<std::size_t>(number)];
  }
  return std::to_string(number);
}

std::vector<std::string> PresetDifferences(preset::tMrv& current, preset::tMrv& other,
                                           const std::vector<std::string>& instruments) {
  std::vector<std::string> lines;
  const std::string currentName = current.ReadName();
  const std::string otherName = other.ReadName();
  if (currentName != otherName) {
    lines.push_back(Line(kCommonLayer, kNameLabel, NameText(currentName), NameText(otherName)));
  }
  AddControlLines(Page::Common, kCommonLayer, current, other, lines);
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    const int currentInstrument = current.ReadParam(kInstrumentGroup, kInstrumentLow, layer);
    const int otherInstrument = other.ReadParam(kInstrumentGroup, kInstrumentLow, layer);
    if (currentInstrument != otherInstrument) {
      lines.push_back(Line(layer, kInstrumentLabel, InstrumentText(instruments, currentInstrument),
                           InstrumentText(instruments, otherInstrument)));
    }
    AddControlLines(Page::Layer, layer, current, other, lines);
  }
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    AddControlLines(Page::Patchcords, layer, current, other, lines);
  }
  return lines;
}

}  // namespace morvane::parammap
