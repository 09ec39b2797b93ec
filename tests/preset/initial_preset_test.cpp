#include <gtest/gtest.h>

#include <algorithm>

#include "preset/initial_preset.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace morvane::preset {
namespace {

TEST(InitialPreset, IsFramedAsAHeaderAndSevenPackets) {
  const Bytes dump = BuildInitialPreset();
  ASSERT_EQ(dump.size(), 1605u);
  const std::size_t starts[] = {0, 36, 291, 546, 801, 1056, 1311, 1566, 1605};
  for (std::size_t m = 0; m + 1 < std::size(starts); ++m) {
    EXPECT_TRUE(std::equal(kMessageHead.begin(), kMessageHead.end(), dump.begin() + starts[m]));
    EXPECT_EQ(dump[starts[m + 1] - 1], 0xF7);
    for (std::size_t i = starts[m] + 1; i + 1 < starts[m + 1]; ++i) {
      ASSERT_LT(dump[i], 0x80) << i;
    }
  }
}

TEST(InitialPreset, HoldsNeutralValues) {
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  EXPECT_EQ(image.ReadName(), "Ini:New Preset  ");
  EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x01, 1), 1);
  for (int layer = 1; layer <= 4; ++layer) {
    if (layer > 1) {
      EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x01, layer), 0);
    }
    EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x02, layer), 0);    // volume
    EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x03, layer), 0);    // pan
    EXPECT_EQ(image.ReadParam(GroupOf(0x0C), 0x01, layer), 127);  // filter off
    EXPECT_EQ(image.ReadParam(GroupOf(0x0E), 0x0E, layer), 1);    // filter envelope in time mode
    EXPECT_EQ(image.ReadParam(GroupOf(0x0E), 0x1B, layer), 1);    // aux envelope in time mode
    EXPECT_EQ(image.ReadParam(GroupOf(0x0B), 0x07, layer), 127);  // key range top
    EXPECT_EQ(image.ReadParam(GroupOf(0x0E), 0x03, layer), 100);  // amplifier attack level
  }
  // Building it again changes nothing: its checksums are already the sent ones.
  const Bytes once = image.BuildDump();
  EXPECT_EQ(once, BuildInitialPreset());
}

TEST(InitialPreset, TheCommittedFileIsTheBuiltPreset) {
  tMrv image;
  image.LoadPreset(std::string(MORVANE_DATA_DIR) + "/init.syx");
  EXPECT_EQ(image.RawDump().View().size(), 1605u);
  const Bytes file(image.RawDump().View().begin(), image.RawDump().View().end());
  EXPECT_EQ(file, BuildInitialPreset());
}

}  // namespace
}  // namespace morvane::preset
