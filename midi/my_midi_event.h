#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane::midi {

inline constexpr std::uint8_t kSysexStatus = 0xF0;
inline constexpr std::size_t kShortMessageSize = 3;

// The bytes a short message with this status carries, the status included. A data byte in
// the status place (running status) keeps all three, so that nothing is hidden.
constexpr std::size_t ShortMessageLength(std::uint8_t status) {
  constexpr std::uint8_t kProgramChange = 0xC0;
  constexpr std::uint8_t kPitchBend = 0xE0;
  constexpr std::uint8_t kTimeCodeQuarter = 0xF1;
  constexpr std::uint8_t kSongPosition = 0xF2;
  constexpr std::uint8_t kSongSelect = 0xF3;
  if (status < kProgramChange || (status >= kPitchBend && status < kSysexStatus) ||
      status == kSongPosition) {
    return kShortMessageSize;
  }
  if (status < kPitchBend || status == kTimeCodeQuarter || status == kSongSelect) {
    return 2;
  }
  return 1;
}

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
