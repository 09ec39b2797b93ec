#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "preset/module_messages.h"

namespace morvane::cli {

inline constexpr int kMinChannel = 1;
inline constexpr int kMaxChannel = 16;
inline constexpr int kCommonLayer = 0;
inline constexpr int kMinLayer = 1;
inline constexpr int kMaxLayer = 4;

// A decimal 14-bit number (1410) or HH:LL in hexadecimal (0B:02).
preset::ParamNumber ParseParam(std::string_view text);
// One or two hexadecimal digits of a MIDI data byte, 00..7F.
std::uint8_t ParseDataByte(std::string_view text);
// Upper-case two-digit hexadecimal bytes separated by single spaces.
std::string FormatHex(std::span<const std::uint8_t> bytes);
std::string FormatParam(preset::ParamNumber param);

}  // namespace morvane::cli
