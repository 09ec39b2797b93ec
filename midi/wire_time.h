#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace morvane::midi {

// MIDI's wire carries 31,250 bits a second, ten to a byte: 320 us a byte, 3,125 bytes a second.
constexpr std::chrono::microseconds kWireByteTime{320};

// Whole milliseconds that byteCount bytes take on the wire, rounded up, so that whatever waits
// this long never hands the module more before the last byte is in.
constexpr int WireTimeMs(std::size_t byteCount) {
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(
                              kWireByteTime * static_cast<std::int64_t>(byteCount))
                              .count());
}

}  // namespace morvane::midi
