#include <gtest/gtest.h>

#include "preset/module_messages.h"

namespace morvane::preset {
namespace {

Bytes Hex(std::initializer_list<int> bytes) {
  Bytes result;
  for (int b : bytes) {
    result.push_back(static_cast<std::uint8_t>(b));
  }
  return result;
}

void ExpectDataBytesOnly(const Bytes& message) {
  ASSERT_GE(message.size(), 2u);
  EXPECT_EQ(message.front(), 0xF0);
  EXPECT_EQ(message.back(), 0xF7);
  for (std::size_t i = 1; i + 1 < message.size(); ++i) {
    EXPECT_LT(message[i], 0x80) << "byte " << i;
  }
}

TEST(SendParameter, CommonParameterToTheEditBuffer) {
  const auto messages = SendParameterMessages({0x13, 0x07}, 0, 0, -1, true);
  EXPECT_EQ(messages[0],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x01, 0x07, 0x7F, 0x7F, 0xF7}));
  EXPECT_EQ(messages[1],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x7F, 0x7F, 0xF7}));
  EXPECT_EQ(messages[2],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x13, 0x07, 0x7F, 0x7F, 0xF7}));
}

TEST(SendParameter, LayerParameterToTheChannelsPreset) {
  const auto messages = SendParameterMessages({0x02, 0x0B}, 1, 2, -6, false);
  EXPECT_EQ(messages[0],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x01, 0x07, 0x02, 0x00, 0xF7}));
  EXPECT_EQ(messages[1],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x00, 0x00, 0xF7}));
  EXPECT_EQ(messages[2],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x0B, 0x7A, 0x7F, 0xF7}));
  EXPECT_EQ(SendParameterMessages({0x02, 0x0B}, 4, 15, 0, false)[1][9], 0x03);
}

TEST(SendParameter, ValuesGoOutThroughTheCodecAndStaySevenBit) {
  EXPECT_EQ(ParameterEditMessage({0x01, 0x0B}, 200)[9], 0x48);
  EXPECT_EQ(ParameterEditMessage({0x01, 0x0B}, 200)[10], 0x01);
  EXPECT_EQ(ParameterEditMessage({0x01, 0x0B}, -100)[9], 0x1C);
  EXPECT_EQ(ParameterEditMessage({0x01, 0x0B}, -100)[10], 0x7F);
  for (int value : {-100000, -8193, 16384, 99999}) {
    ExpectDataBytesOnly(ParameterEditMessage({0x7F, 0x7F}, value));
  }
  EXPECT_THROW(ParameterEditMessage({0x80, 0x0B}, 0), std::out_of_range);
  EXPECT_THROW(ParameterEditMessage({0x01, 0x8B}, 0), std::out_of_range);
}

TEST(TransferMessages, MatchTheModulesLayout) {
  EXPECT_EQ(DumpRequestMessage(PresetNumberFor(0, true)),
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x11, 0x04, 0x7F, 0x7F, 0x00, 0x00, 0xF7}));
  EXPECT_EQ(DumpRequestMessage(PresetNumberFor(3, false)),
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x11, 0x04, 0x03, 0x00, 0x00, 0x00, 0xF7}));
  EXPECT_EQ(LayerCopyMessage(-1, 0, -1, 2),
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x25, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0x7F, 0x02, 0x00,
                 0x00, 0x00, 0xF7}));
  EXPECT_EQ(LayerMuteMessage(1), Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x32, 0x01, 0x00, 0xF7}));
  EXPECT_EQ(LayerUnmuteMessage(1), Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x33, 0x01, 0x00, 0xF7}));
}

TEST(Rename, SendsSelectsThenSixteenCharactersPaddedWithSpaces) {
  const auto messages = RenameMessages("Bcdefghi", -1);
  ASSERT_EQ(messages.size(), 18u);
  EXPECT_EQ(messages[0], PresetSelectMessage(-1));
  EXPECT_EQ(messages[1],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x7F, 0x7F, 0xF7}));
  EXPECT_EQ(messages[2],
            Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x03, 0x07, 0x42, 0x00, 0xF7}));
  for (std::size_t i = 0; i < 16; ++i) {
    const Bytes& m = messages[2 + i];
    EXPECT_EQ(m[7], 0x03 + i);
    EXPECT_EQ(m[8], 0x07);
    EXPECT_EQ(m[10], 0x00);
    if (i >= 8) {
      EXPECT_EQ(m[9], 0x20);
    }
  }
}

TEST(Rename, TheFourthCharacterIsSentAndHighCodesAreReplaced) {
  const auto messages = RenameMessages("ab\xE9:\x80", 4);
  EXPECT_EQ(messages[0], PresetSelectMessage(4));
  EXPECT_EQ(messages[4][9], '?');
  EXPECT_EQ(messages[5][9], ':');
  EXPECT_EQ(messages[6][9], '?');
  for (const Bytes& m : messages) {
    ExpectDataBytesOnly(m);
  }
  EXPECT_EQ(RenameMessages("0123456789abcdefTOOLONG", -1).size(), 18u);
  EXPECT_EQ(RenameMessages("0123456789abcdefTOOLONG", -1)[17][9], 'f');
}

}  // namespace
}  // namespace morvane::preset
