#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace morvane::sim {

// Cuts a raw MIDI byte stream, in any chunking, into complete messages: SysEx
// from 0xF0 to 0xF7 and channel or system common messages (running status
// honoured). Real-time bytes are dropped wherever they appear. A SysEx cut short
// by another status byte, an 0xF7 with no SysEx open, a data byte with no status,
// and a SysEx longer than the limit are discarded and counted.
class MidiStreamParser {
 public:
  static constexpr std::size_t kMaxSysexSize = 4096;

  void Feed(std::span<const std::uint8_t> bytes, std::vector<std::vector<std::uint8_t>>& completed);
  std::size_t DiscardedCount() const { return discarded_; }

 private:
  void StartStatus(std::uint8_t status, std::vector<std::vector<std::uint8_t>>& completed);
  // Hands the message under way to completed and starts the next one.
  void Complete(std::vector<std::vector<std::uint8_t>>& completed);
  void Discard();

  std::vector<std::uint8_t> current_;
  bool inSysex_ = false;
  bool skippingSysex_ = false;
  std::uint8_t runningStatus_ = 0;
  std::size_t expectedDataBytes_ = 0;
  std::size_t discarded_ = 0;
};

}  // namespace morvane::sim
