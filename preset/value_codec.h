#pragma once

#include <cstdint>

namespace morvane::preset {

// A signed number as the module carries it: two 7-bit data bytes, low byte first.
struct TwoByteValue {
  std::uint8_t low = 0;
  std::uint8_t high = 0;
  friend bool operator==(const TwoByteValue&, const TwoByteValue&) = default;
};

inline constexpr int kDataByteMask = 0x7F;
inline constexpr int kDataByteBits = 7;
inline constexpr int kFourteenBitRange = 1 << (2 * kDataByteBits);  // 16384
inline constexpr int kMinEncodable = -kFourteenBitRange / 2;        // -8192
inline constexpr int kMaxEncodable = kFourteenBitRange - 1;         // 16383
// High bytes from this one upward decode as a small negative number.
inline constexpr int kNegativeHighThreshold = 101;
inline constexpr int kNegativeLowBias = 128;
// The range that decodes back to itself.
inline constexpr int kMinExact = -128;
inline constexpr int kMaxExact = kNegativeHighThreshold * 128 - 1;  // 12927

// Values outside -8192..16383 are reduced to 14 bits (taken modulo 16384), so
// both bytes are always below 0x80.
TwoByteValue EncodeValue(int value);
int DecodeValue(std::uint8_t low, std::uint8_t high);
inline int DecodeValue(TwoByteValue pair) {
  return DecodeValue(pair.low, pair.high);
}

}  // namespace morvane::preset
