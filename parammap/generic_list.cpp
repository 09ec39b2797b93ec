#include "parammap/generic_list.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace morvane::parammap {

namespace {

constexpr int kFirstLayerHighByte = 0x0B;
constexpr int kCordHighByte = 0x0F;
constexpr int kFirstCordParameter = 1921;
constexpr int kCordsPerRow = 3;

// The parts of the layer blocks that the Layer page groups under one heading.
struct Section {
  int first;
  int last;
  std::string_view heading;
};
constexpr Section kSections[] = {
    {1409, 1438, "Layer"},   {1537, 1539, "Filter"},  {1665, 1669, "LFO1"},
    {1670, 1674, "LFO2"},    {1793, 1805, "Amp Env"}, {1806, 1818, "Filter Env"},
    {1819, 1831, "Aux Env"}, {1832, 1832, "Amp Env"}, {1833, 1833, "Filter Env"},
    {1834, 1834, "Aux Env"},
};

// Labels for the controls that show no prefix of their own.
struct Label {
  std::string_view control;
  std::string_view text;
};
constexpr Label kLabels[] = {
    {"dragger15", "assign"}, {"filtertype", "type"}, {"dragger38", "shape"}, {"dragger44", "shape"},
    {"dragger17", "mode"},   {"dragger33", "mode"},  {"dragger68", "mode"},
};

std::string ControlLabel(const ControlSpec& control) {
  for (const Label& label : kLabels) {
    if (label.control == control.name) {
      return std::string(label.text);
    }
  }
  std::string text(control.prefix);
  if (!text.empty() && text.back() == ':') {
    text.pop_back();
  }
  if (control.suffix == "%") {
    text += " level";
  }
  return text.empty() ? std::string("amount") : text;
}

std::string EntryName(const ControlSpec& control) {
  if (control.Ctrl2() == kCordHighByte) {
    const int row = (control.parameter - kFirstCordParameter) / kCordsPerRow + 1;
    return "Cord " + std::to_string(row) + " " + ControlLabel(control);
  }
  for (const Section& section : kSections) {
    if (control.parameter >= section.first && control.parameter <= section.last) {
      return std::string(section.heading) + " " + ControlLabel(control);
    }
  }
  return ControlLabel(control);
}

// The controls of the Setup page edit the keyboard player, not the module.
constexpr Label kSetupNames[] = {
    {"vel", "Keyboard velocity"},
    {"velrnd", "Keyboard velocity randomness"},
};
constexpr std::string_view kPresetKnobName = "Preset knob ";

std::string HexByte(int value) {
  char text[4];
  std::snprintf(text, sizeof text, "$%02X", value & 0x7F);
  return text;
}

}  // namespace

std::string FullName(const ControlSpec& control) {
  switch (control.page) {
    case Page::Setup:
      for (const Label& label : kSetupNames) {
        if (label.control == control.name) {
          return std::string(label.text);
        }
      }
      return std::string(control.name);
    case Page::Common:
      return std::string(kPresetKnobName) + ControlLabel(control);
    case Page::Layer:
    case Page::Patchcords:
      break;
  }
  return EntryName(control);
}

std::vector<GenericEntry> GenericParameterList() {
  std::vector<GenericEntry> entries;
  for (const Page page : {Page::Layer, Page::Patchcords}) {
    for (const ControlSpec& control : ControlsOn(page)) {
      int min = control.min;
      int max = control.max;
      if (const auto table = CodeTableOf(control); !table.empty()) {
        const auto [low, high] = std::minmax_element(
            table.begin(), table.end(),
            [](const CodeEntry& a, const CodeEntry& b) { return a.code < b.code; });
        min = low->code;
        max = high->code;
      }
      const int key =
          (control.Ctrl2() - kFirstLayerHighByte) * kGenericBlockStride + control.Ctrl1();
      entries.push_back({key, FullName(control), control.parameter, min, max});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const GenericEntry& a, const GenericEntry& b) { return a.key < b.key; });
  return entries;
}

std::string GenericParameterFile() {
  const std::vector<GenericEntry> entries = GenericParameterList();
  std::string text =
      "; The generic parameter list of the Morvane editor: every layer parameter of the window\n"
      "; with its range. Made from the editor's parameter map; the key of a parameter is\n"
      "; (high byte - 0x0B) * 48 + low byte.\n";
  const auto section = [&](std::string_view name, auto value) {
    text += "\n[";
    text += name;
    text += "]\n";
    for (const GenericEntry& entry : entries) {
      text += std::to_string(entry.key) + "=" + value(entry) + "\n";
    }
  };
  section("name", [](const GenericEntry& e) { return e.name; });
  section("lsb", [](const GenericEntry& e) { return HexByte(e.parameter); });
  section("msb", [](const GenericEntry& e) { return HexByte(e.parameter >> 7); });
  section("min", [](const GenericEntry& e) { return std::to_string(e.min); });
  section("max", [](const GenericEntry& e) { return std::to_string(e.max); });
  return text;
}

std::optional<std::string> GenericParameterName(int parameter) {
  static const std::vector<GenericEntry> entries = GenericParameterList();
  for (const GenericEntry& entry : entries) {
    if (entry.parameter == parameter) {
      return entry.name;
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> ShownControlName(const ControlSpec& control) {
  const bool itemsFillRange = static_cast<long long>(ItemsAfterStartUp(control).size()) >=
                              RangeCount(control.min, control.max);
  if (!control.allowPrefixSuffix || itemsFillRange || control.prefix.size() < 2 ||
      control.prefix.back() != ':') {
    return std::nullopt;
  }
  return control.prefix.substr(0, control.prefix.size() - 1);
}

}  // namespace morvane::parammap
