#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "parammap/morph.h"
#include "parammap/randomize.h"
#include "parammap/value_slots.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"

namespace morvane::parammap {
namespace {

constexpr int kSteps = 10;
constexpr int kLayerCount = 4;

preset::tMrv InitialImage() {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  return image;
}

preset::tMrv OtherImage() {
  preset::tMrv image = InitialImage();
  image.WriteName("Other");
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    image = Randomized(image, {RandomScope::ThisLayer, layer, 100, 7U + layer, 30});
    image = Randomized(image, {RandomScope::Patchcords, layer, 100, 11U + layer, 30});
  }
  return Randomized(image, {RandomScope::Common, 1, 100, 5, 30});
}

bool IsNumber(const ValueSlot& slot, int storedValue) {
  const SlotRange range = RangeOf(slot, 0);
  const std::optional<int> position = PositionOf(slot, 0, storedValue);
  return !range.coded && position && *position >= range.numberFrom;
}

TEST(Morph, EndsAreTheTwoPresetsAndEveryStepLiesBetween) {
  preset::tMrv a = InitialImage();
  preset::tMrv b = OtherImage();
  EXPECT_TRUE(std::ranges::equal(Morphed(a, b, {0, kSteps}).View(), a.View()));
  EXPECT_TRUE(std::ranges::equal(Morphed(a, b, {kSteps, kSteps}).View(), b.View()));
  int interpolated = 0;
  for (int step = 0; step <= kSteps; ++step) {
    preset::tMrv result = Morphed(a, b, {step, kSteps});
    const bool fromB = 2 * step >= kSteps;
    EXPECT_EQ(result.ReadName(), fromB ? b.ReadName() : a.ReadName()) << step;
    for (const ValueSlot& slot : AllSlots()) {
      const int fromValue = ReadSlot(a, slot);
      const int toValue = ReadSlot(b, slot);
      const int value = ReadSlot(result, slot);
      if (slot.control != nullptr && IsNumber(slot, fromValue) && IsNumber(slot, toValue)) {
        EXPECT_GE(value, std::min(fromValue, toValue)) << slot.control->name << " " << step;
        EXPECT_LE(value, std::max(fromValue, toValue)) << slot.control->name << " " << step;
        interpolated += value != fromValue && value != toValue ? 1 : 0;
      } else {
        EXPECT_EQ(value, fromB ? toValue : fromValue) << step;
      }
    }
  }
  EXPECT_GT(interpolated, 0);
}

// Rounded to the nearer value, halves away from A, and the midpoint already takes B's lists.
TEST(Morph, RoundsAndSwitchesListsAtTheMidpoint) {
  preset::tMrv a = InitialImage();
  preset::tMrv b = InitialImage();
  const ValueSlot volume{FindControl("dragger1"), 1};
  const ValueSlot mode{FindControl("dragger16"), 1};
  WriteSlot(a, volume, 0);
  WriteSlot(b, volume, -3);
  WriteSlot(a, mode, 1);
  WriteSlot(b, mode, 4);
  struct Row {
    MorphPosition position;
    int volume;
    int mode;
  };
  for (const Row& row : {Row{{1, 6}, -1, 1}, Row{{1, 7}, 0, 1}, Row{{2, 4}, -2, 4},
                         Row{{49, 100}, -1, 1}, Row{{5, 0}, 0, 1}}) {
    preset::tMrv result = Morphed(a, b, row.position);
    EXPECT_EQ(ReadSlot(result, volume), row.volume) << row.position.step;
    EXPECT_EQ(ReadSlot(result, mode), row.mode) << row.position.step;
  }
}

}  // namespace
}  // namespace morvane::parammap
