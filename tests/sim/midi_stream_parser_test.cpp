#include <gtest/gtest.h>

#include "sim/midi_stream_parser.h"

namespace morvane::sim {
namespace {

using Messages = std::vector<std::vector<std::uint8_t>>;

Messages FeedAll(MidiStreamParser& parser, const std::vector<std::uint8_t>& bytes) {
  Messages out;
  parser.Feed(bytes, out);
  return out;
}

TEST(MidiStreamParser, CutShortAndStrayBytesAreDiscardedAndCounted) {
  MidiStreamParser parser;
  // SysEx cut by a note-on; stray F7; data with no status after a SysEx; note cut by SysEx.
  const Messages out = FeedAll(
      parser, {0xF0, 0x01, 0x90, 0x3C, 0x40, 0xF7, 0xF0, 0xF7, 0x11, 0x80, 0x3C, 0xF0, 0xF7});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], (std::vector<std::uint8_t>{0x90, 0x3C, 0x40}));
  EXPECT_EQ(out[1], (std::vector<std::uint8_t>{0xF0, 0xF7}));
  EXPECT_EQ(out[2], (std::vector<std::uint8_t>{0xF0, 0xF7}));
  EXPECT_EQ(parser.DiscardedCount(), 4u);
}

TEST(MidiStreamParser, OverlongSysexIsDroppedUpToItsEnd) {
  MidiStreamParser parser;
  std::vector<std::uint8_t> bytes{0xF0};
  bytes.insert(bytes.end(), MidiStreamParser::kMaxSysexSize + 10, 0x01);
  bytes.push_back(0xF7);
  bytes.insert(bytes.end(), {0xF0, 0x02, 0xF7});
  const Messages out = FeedAll(parser, bytes);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], (std::vector<std::uint8_t>{0xF0, 0x02, 0xF7}));
  EXPECT_EQ(parser.DiscardedCount(), 1u);
}

}  // namespace
}  // namespace morvane::sim
