#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "engine/bytes_to_text.h"
#include "engine/key_map.h"
#include "engine/note_name.h"
#include "engine/play_mode.h"

namespace morvane::engine {
namespace {

TEST(NoteNameTest, NamesTheMidiRangeWithATrailingBlank) {
  EXPECT_EQ(NoteName(60), "C4 ");
  EXPECT_EQ(NoteName(61), "C#4 ");
  EXPECT_EQ(NoteName(0), "C-1 ");
  EXPECT_EQ(NoteName(127), "G9 ");
  EXPECT_EQ(NoteName(36), "C2 ");
  EXPECT_EQ(NoteName(71), "B4 ");
}

TEST(NoteNameTest, NumbersOutsideTheRangeFollowTruncatingDivision) {
  EXPECT_EQ(NoteName(-1), "B-1 ");
  EXPECT_EQ(NoteName(-12), "C-2 ");
  EXPECT_EQ(NoteName(-13), "B-2 ");
  EXPECT_EQ(NoteName(132), "C10 ");
}

TEST(PlayModeTest, SeventhChordsKeepTheirListedIntervals) {
  using V = std::vector<int>;
  auto intervals = [](TPlayMode mode) {
    const auto span = PlayModeIntervals(mode);
    return V(span.begin(), span.end());
  };
  EXPECT_EQ(intervals(pmMinor7th), (V{0, 3, 7, 11}));
  EXPECT_EQ(intervals(pmMinor7th5), (V{0, 3, 6, 11}));
  EXPECT_EQ(intervals(pmDiminished), (V{0, 3, 6, 10}));
  EXPECT_EQ(intervals(pmMajor9th), (V{0, 4, 7, 11, 14}));
  for (int mode = 0; mode < kPlayModeCount; ++mode) {
    EXPECT_LE(PlayModeIntervals(static_cast<TPlayMode>(mode)).size(),
              static_cast<std::size_t>(kMaxChordNotes));
  }
  EXPECT_ANY_THROW(PlayModeIntervals(static_cast<TPlayMode>(kPlayModeCount)));
}

TEST(KeyMapTest, TwoRowsCoverEveryOffsetOnceOrTwice) {
  std::multiset<int> offsets;
  for (int key = 0; key <= 0xFF; ++key) {
    if (auto offset = KeyOffsetOf(static_cast<TVirtualKey>(key))) {
      offsets.insert(*offset);
    }
  }
  for (int offset = 0; offset < kKeyOffsetCount; ++offset) {
    const bool shared = offset >= 12 && offset <= 16;
    EXPECT_EQ(offsets.count(offset), shared ? 2u : 1u) << "offset " << offset;
  }
  EXPECT_EQ(offsets.size(), 38u);
  EXPECT_EQ(KeyOffsetOf(VirtualKeyOf('Z')), 0);
  EXPECT_EQ(KeyOffsetOf(VK_OEM_COMMA), KeyOffsetOf(VirtualKeyOf('Q')));
  EXPECT_EQ(KeyOffsetOf(VK_OEM_5), 32);
  EXPECT_FALSE(KeyOffsetOf(VK_SPACE));
  EXPECT_FALSE(KeyOffsetOf(VK_NUMPAD0));
  EXPECT_FALSE(KeyOffsetOf(VirtualKeyOf('A')));
}

TEST(KeyMapTest, EveryKeyPlaysItsListedOffsetAndNoOtherKeyPlays) {
  const std::map<TVirtualKey, int> listed = {
      {0x5A, 0},  {0x53, 1},  {0x58, 2},  {0x44, 3},  {0x43, 4},  {0x56, 5},  {0x47, 6},
      {0x42, 7},  {0x48, 8},  {0x4E, 9},  {0x4A, 10}, {0x4D, 11}, {0x51, 12}, {0xBC, 12},
      {0x32, 13}, {0x4C, 13}, {0x57, 14}, {0xBE, 14}, {0x33, 15}, {0xBA, 15}, {0x45, 16},
      {0xBF, 16}, {0x52, 17}, {0x35, 18}, {0x54, 19}, {0x36, 20}, {0x59, 21}, {0x37, 22},
      {0x55, 23}, {0x49, 24}, {0x39, 25}, {0x4F, 26}, {0x30, 27}, {0x50, 28}, {0xDB, 29},
      {0xBB, 30}, {0xDD, 31}, {0xDC, 32}};
  ASSERT_EQ(listed.size(), 38u);
  for (int code = 0; code <= 0xFFFF; ++code) {
    const auto key = static_cast<TVirtualKey>(code);
    const auto entry = listed.find(key);
    const std::optional<int> expected =
        entry == listed.end() ? std::nullopt : std::optional<int>(entry->second);
    EXPECT_EQ(KeyOffsetOf(key), expected) << "key " << code;
  }
}

TEST(BytesToTextTest, KeepsAtMostTwoThousandBytesInOrder) {
  std::vector<std::uint8_t> bytes(2500);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7);
  }
  const auto text = BytesToText(bytes, 2500);
  ASSERT_EQ(text.size(), 2000u);
  EXPECT_TRUE(std::equal(text.begin(), text.end(), bytes.begin()));
  EXPECT_TRUE(BytesToText(bytes, 0).empty());
  EXPECT_EQ(BytesToText(bytes, 3), (std::vector<std::uint8_t>{0, 7, 14}));
}

TEST(BytesToTextTest, NeverReadsPastTheBytesGiven) {
  const std::vector<std::uint8_t> bytes{0xF0, 0x18, 0xF7};
  EXPECT_EQ(BytesToText(bytes, 1605), bytes);
}

}  // namespace
}  // namespace morvane::engine
