#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dump_layout.h"

namespace morvane::preset {

// Characters with a code of 0x80 or more cannot travel in a SysEx data byte;
// both the image and the rename messages put this one in their place.
inline constexpr char kNameReplacementChar = '?';
inline constexpr std::uint8_t kFirstNonDataByte = 0x80;
inline constexpr char kNamePadChar = ' ';

constexpr std::uint8_t NameByte(char c) {
  const auto code = static_cast<std::uint8_t>(c);
  return code < kFirstNonDataByte ? code : static_cast<std::uint8_t>(kNameReplacementChar);
}

// The name as it is stored and sent: 16 data bytes, padded with spaces, extra characters dropped.
inline std::string NameForModule(std::string_view name) {
  std::string result(kNameSize, kNamePadChar);
  for (std::size_t i = 0; i < kNameSize && i < name.size(); ++i) {
    result[i] = static_cast<char>(NameByte(name[i]));
  }
  return result;
}

}  // namespace morvane::preset
