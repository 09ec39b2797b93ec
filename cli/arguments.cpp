#include "arguments.h"

#include <charconv>
#include <stdexcept>

namespace morvane::cli {

namespace {

constexpr int kHex = 16;
constexpr int kDecimal = 10;
constexpr std::size_t kMaxHexDigits = 2;
constexpr int kMaxDataByte = 0x7F;
constexpr int kMaxParamNumber = 0x3FFF;
constexpr int kBitsPerDataByte = 7;
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool ParseWhole(std::string_view text, int base, int& result) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, result, base);
  return !text.empty() && error == std::errc() && ptr == end;
}

}  // namespace

preset::ParamNumber ParseParam(std::string_view text) {
  const std::string bad = "Invalid parameter number " + std::string(text);
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    int high = 0;
    int low = 0;
    if (colon == 0 || colon > kMaxHexDigits || text.size() - colon - 1 > kMaxHexDigits ||
        !ParseWhole(text.substr(0, colon), kHex, high) ||
        !ParseWhole(text.substr(colon + 1), kHex, low) || high < 0 || low < 0 ||
        high > kMaxDataByte || low > kMaxDataByte) {
      throw std::invalid_argument(bad);
    }
    return {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
  }
  int number = 0;
  if (!ParseWhole(text, kDecimal, number) || number < 0 || number > kMaxParamNumber) {
    throw std::invalid_argument(bad);
  }
  return {static_cast<std::uint8_t>(number & kMaxDataByte),
          static_cast<std::uint8_t>(number >> kBitsPerDataByte)};
}

std::uint8_t ParseDataByte(std::string_view text) {
  int value = 0;
  if (text.size() > kMaxHexDigits || !ParseWhole(text, kHex, value) || value < 0) {
    throw std::invalid_argument("Invalid hexadecimal byte " + std::string(text));
  }
  if (value > kMaxDataByte) {
    throw std::out_of_range("Byte " + std::string(text) +
                            " is outside 00..7F, the MIDI data bytes that carry a value");
  }
  return static_cast<std::uint8_t>(value);
}

std::string FormatHex(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) {
      text += ' ';
    }
    text += kHexDigits[byte / kHex];
    text += kHexDigits[byte % kHex];
  }
  return text;
}

std::string FormatParam(preset::ParamNumber param) {
  const std::uint8_t high = param.high;
  const std::uint8_t low = param.low;
  return FormatHex(std::span(&high, 1)) + ":" + FormatHex(std::span(&low, 1));
}

}  // namespace morvane::cli
