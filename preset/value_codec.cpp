#include "value_codec.h"

namespace morvane::preset {

TwoByteValue EncodeValue(int value) {
  int reduced = value % kFourteenBitRange;
  if (reduced < 0) {
    reduced += kFourteenBitRange;
  }
  return TwoByteValue{static_cast<std::uint8_t>(reduced & kDataByteMask),
                      static_cast<std::uint8_t>((reduced >> kDataByteBits) & kDataByteMask)};
}

int DecodeValue(std::uint8_t low, std::uint8_t high) {
  if (high >= kNegativeHighThreshold) {
    return static_cast<int>(low) - kNegativeLowBias;
  }
  return static_cast<int>(high) * (kDataByteMask + 1) + static_cast<int>(low);
}

}  // namespace morvane::preset
