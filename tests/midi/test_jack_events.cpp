#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "midi/backends/jack/jack_events.h"

namespace morvane::midi {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct SplitCase {
  const char* name;
  Bytes string;
  std::vector<std::size_t> events;
};

// How a string handed over for sending is cut into JACK events: one MIDI message each.
TEST(JackEvents, AStringGoesOutAsOneEventPerMessage) {
  const SplitCase cases[] = {
      {"two SysEx messages", {0xF0, 0x01, 0xF7, 0xF0, 0x02, 0x03, 0xF7}, {3, 4}},
      {"a note", {0x90, 60, 100}, {3}},
      {"a program change then a note", {0xC0, 5, 0x90, 60, 100}, {2, 3}},
      {"running status beyond a note", {0x90, 60, 100, 62, 100}, {3, 2}},
      {"a note cut short by a SysEx", {0x90, 60, 0xF0, 0x01, 0xF7}, {2, 3}},
      {"a real-time byte inside a SysEx", {0xF0, 0x01, 0xFE, 0x02, 0xF7}, {2, 1, 2}},
      {"a SysEx cut off at the end", {0xF0, 0x01, 0x02}, {3}},
      {"a song position and a tune request", {0xF2, 0x01, 0x02, 0xF6}, {3, 1}},
      {"a lone end of SysEx", {0xF7, 0xF8}, {1, 1}},
  };
  for (const SplitCase& test : cases) {
    std::vector<std::size_t> events;
    for (std::span<const std::uint8_t> rest(test.string); !rest.empty();) {
      events.push_back(JackEventLength(rest));
      rest = rest.subspan(events.back());
    }
    EXPECT_EQ(events, test.events) << test.name;
    EXPECT_EQ(LongestJackEvent(test.string), *std::max_element(events.begin(), events.end()))
        << test.name;
  }
  EXPECT_EQ(LongestJackEvent({}), 0u);
}

}  // namespace
}  // namespace morvane::midi
