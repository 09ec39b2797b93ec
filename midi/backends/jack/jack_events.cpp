#include "midi/backends/jack/jack_events.h"

#include <algorithm>

#include "midi/my_midi_event.h"

namespace morvane::midi {

namespace {
constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kSysexEnd = 0xF7;
}  // namespace

std::size_t JackEventLength(std::span<const std::uint8_t> rest) {
  const std::uint8_t first = rest.front();
  const bool shortMessage = first >= kStatusBit && first != kSysexStatus && first != kSysexEnd;
  const std::size_t most = shortMessage ? ShortMessageLength(first) : rest.size();
  std::size_t length = 1;
  while (length < most && length < rest.size() && rest[length] < kStatusBit) {
    ++length;
  }
  if (!shortMessage && length < rest.size() && rest[length] == kSysexEnd) {
    ++length;
  }
  return length;
}

std::size_t LongestJackEvent(std::span<const std::uint8_t> bytes) {
  std::size_t longest = 0;
  while (!bytes.empty()) {
    const std::size_t length = JackEventLength(bytes);
    longest = std::max(longest, length);
    bytes = bytes.subspan(length);
  }
  return longest;
}

}  // namespace morvane::midi
