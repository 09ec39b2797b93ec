#include <gtest/gtest.h>

#include "midi/event_ring.h"

namespace morvane::midi {
namespace {

RingRecord Numbered(std::uint32_t n) {
  return {n, n, nullptr};
}

TEST(EventRing, KeepsOrderAcrossTheWrapAndRefusesWhenFull) {
  EventRing ring(3);
  RingRecord record;
  EXPECT_FALSE(ring.Peek(record));
  std::uint32_t next = 0;
  std::uint32_t expected = 0;
  for (int round = 0; round < 4; ++round) {
    while (ring.Push(Numbered(next))) {
      ++next;
    }
    EXPECT_EQ(ring.Count(), 3);
    ASSERT_TRUE(ring.Peek(record));
    EXPECT_EQ(record.timeStamp, expected);
    ring.Pop();
    ++expected;
    ring.Pop();
    ++expected;
    EXPECT_EQ(ring.Count(), 1);
  }
  ASSERT_TRUE(ring.Peek(record));
  EXPECT_EQ(record.shortMessage, expected);
}

TEST(EventRing, ZeroCapacityStoresNothing) {
  EventRing ring(0);
  EXPECT_FALSE(ring.Push(Numbered(1)));
  EXPECT_EQ(ring.Count(), 0);
}

}  // namespace
}  // namespace morvane::midi
