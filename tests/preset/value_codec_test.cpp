#include <gtest/gtest.h>

#include <climits>

#include "preset/value_codec.h"

namespace morvane::preset {
namespace {

TEST(ValueCodec, EncodesTheDocumentedPairs) {
  const struct {
    int value;
    TwoByteValue pair;
  } cases[] = {{0, {0x00, 0x00}},    {127, {0x7F, 0x00}},   {128, {0x00, 0x01}},
               {255, {0x7F, 0x01}},  {200, {0x48, 0x01}},   {-1, {0x7F, 0x7F}},
               {-64, {0x40, 0x7F}},  {-100, {0x1C, 0x7F}},  {-128, {0x00, 0x7F}},
               {-129, {0x7F, 0x7E}}, {16383, {0x7F, 0x7F}}, {-8192, {0x00, 0x40}}};
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeValue(c.value), c.pair) << c.value;
  }
}

TEST(ValueCodec, DecodesWithTheThresholdAt101) {
  EXPECT_EQ(DecodeValue(0x7F, 0x7F), -1);
  EXPECT_EQ(DecodeValue(0x00, 0x7F), -128);
  EXPECT_EQ(DecodeValue(0x7F, 0x7E), -1);
  EXPECT_EQ(DecodeValue(0x00, 0x64), 12800);
  EXPECT_EQ(DecodeValue(0x7F, 0x64), 12927);
  EXPECT_EQ(DecodeValue(0x00, 0x65), -128);
}

TEST(ValueCodec, RoundTripsEveryValueOfTheExactRange) {
  for (int value = -128; value <= 12927; ++value) {
    ASSERT_EQ(DecodeValue(EncodeValue(value)), value);
  }
  EXPECT_NE(DecodeValue(EncodeValue(12928)), 12928);
  EXPECT_NE(DecodeValue(EncodeValue(-129)), -129);
}

TEST(ValueCodec, NeverProducesAByteOfHexEightyOrMore) {
  for (int value = -40000; value <= 40000; value += 7) {
    const TwoByteValue pair = EncodeValue(value);
    ASSERT_LT(pair.low, 0x80) << value;
    ASSERT_LT(pair.high, 0x80) << value;
  }
  for (int value : {INT_MIN, INT_MIN + 1, INT_MAX}) {
    const TwoByteValue pair = EncodeValue(value);
    EXPECT_LT(pair.low, 0x80);
    EXPECT_LT(pair.high, 0x80);
  }
}

TEST(ValueCodec, ReducesOutOfRangeValuesToFourteenBits) {
  EXPECT_EQ(EncodeValue(16384), EncodeValue(0));
  EXPECT_EQ(EncodeValue(16384 + 200), EncodeValue(200));
  EXPECT_EQ(EncodeValue(-8193), EncodeValue(8191));
  EXPECT_EQ(EncodeValue(-16384 - 1), EncodeValue(-1));
}

}  // namespace
}  // namespace morvane::preset
