#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parammap/param_map.h"

namespace morvane::parammap {

// One entry of the window's generic parameter list (the file parms.txt): a layer parameter
// of the map with a readable name and its range.
struct GenericEntry {
  int key;  // the entry's number in every section of the file
  std::string name;
  int parameter;
  int min;
  int max;
};

// The list holds kGenericListSize items; a layer parameter's key follows from its number:
// (high byte - 0x0B) * kGenericBlockStride + low byte, so a reader can find any parameter.
inline constexpr int kGenericListSize = 400;
inline constexpr int kGenericBlockStride = 48;
// The item the window chooses at start-up.
inline constexpr int kGenericStartItem = 183;

// The full name of a value control's parameter: for the Layer and Patchcords pages the name
// its entry of the generic list has ("Aux Env R2 level"), for the others a name of the same
// kind ("Preset knob A", "Keyboard velocity").
std::string FullName(const ControlSpec& control);

// Every value control of the Layer and Patchcords pages, by rising key. A coded control lists
// the range of the codes it sends, not of its positions.
std::vector<GenericEntry> GenericParameterList();

// The list as the profile file that the window reads: sections "name", "lsb", "msb", "min" and
// "max", each keyed by the entry's decimal number, bytes as "$" and two hexadecimal digits.
std::string GenericParameterFile();

// The name of parameter (a 14-bit number) in the generic list, or nullopt for a parameter the
// list does not hold (those of the preset-wide block).
std::optional<std::string> GenericParameterName(int parameter);

// The name a value control shows before the colon of its caption ("vol" for "vol:+0dB"), or
// nullopt for a control whose caption shows no prefix.
std::optional<std::string_view> ShownControlName(const ControlSpec& control);

}  // namespace morvane::parammap
