#pragma once

#include <cstdint>
#include <span>

#include "midi/driver.h"

namespace morvane::midi {

// Where the assembler takes buffers from and what it hands on; called on the thread
// that feeds the assembler, so none of it may block, allocate or throw.
class AssemblyTarget {
 public:
  virtual ~AssemblyTarget() = default;
  // The queued buffer being filled, or null when none is queued.
  virtual MidiHeader* FrontBuffer() noexcept = 0;
  // Removes the front buffer from the queue and returns it (kMimLongData or kMimLongError).
  virtual void ReturnFront(std::uint32_t message) noexcept = 0;
  // A short message, status in the low byte.
  virtual void DeliverShort(std::uint32_t packed) noexcept = 0;
};

// Turns the messages a MIDI system hands over, in chunks of any size, into filled
// SysEx buffers and short messages, each short message as soon as its last byte
// came, in the order of the stream (running status is followed). Real-time bytes
// (0xF8..0xFF) may come anywhere, even inside a SysEx: they are taken out of its
// data, timing clock and active sensing are dropped, the others go on as short
// messages. A buffer goes back when the SysEx ends (kMimLongData), when it is full
// (kMimLongData, the message going on in the next buffer), or when a status byte
// cuts the SysEx off (kMimLongError). Bytes that find no queued buffer are lost.
class SysexAssembler {
 public:
  explicit SysexAssembler(AssemblyTarget& target) : target_(target) {}

  void Feed(std::span<const std::uint8_t> chunk) noexcept;
  // Forgets a SysEx or short message under way (the SysEx's buffer stays with whoever
  // resets, who returns or clears it).
  void Reset() noexcept;

 private:
  void RealTime(std::uint8_t byte) noexcept;
  void Store(std::uint8_t byte) noexcept;
  void End(std::uint32_t message) noexcept;
  void ShortByte(std::uint8_t byte) noexcept;

  AssemblyTarget& target_;
  bool inSysex_ = false;
  // The short message being collected: its bytes so far, how many it has and needs,
  // and the channel status that running status repeats (0 when there is none).
  std::uint32_t packed_ = 0;
  int shortBytes_ = 0;
  int shortLength_ = 0;
  std::uint8_t runningStatus_ = 0;
};

}  // namespace morvane::midi
