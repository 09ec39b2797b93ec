#pragma once

#include <cstdint>
#include <vector>

namespace morvane::midi {

inline constexpr std::uint8_t kSysexStatus = 0xF0;

// One MIDI event as received or to be sent. A SysEx event has StatusByte 0xF0 and
// its bytes in SysexData; an empty SysexData means none (a channel message, or a
// SysEx buffer returned without bytes).
struct TMyMidiEvent {
  std::uint8_t StatusByte = 0;
  std::uint8_t DataByte1 = 0;
  std::uint8_t DataByte2 = 0;
  std::uint32_t TimeStamp = 0;
  std::uint16_t SysexSize = 0;
  std::vector<std::uint8_t> SysexData;
};

}  // namespace morvane::midi
