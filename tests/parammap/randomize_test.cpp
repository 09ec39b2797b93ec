#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "parammap/param_map.h"
#include "parammap/preset_changes.h"
#include "parammap/randomize.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"

namespace morvane::parammap {
namespace {

constexpr int kSeedCount = 50;
constexpr std::array<int, 3> kAmounts{0, 50, 100};
constexpr std::array<RandomScope, 4> kScopes{RandomScope::ThisLayer, RandomScope::AllLayers,
                                             RandomScope::Common, RandomScope::Patchcords};
constexpr int kInstrumentCount = 40;
constexpr int kLayerCount = 4;

preset::tMrv InitialImage() {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  return image;
}

// Every value of the preset moved anywhere: a start far from the initial preset's values.
preset::tMrv WildImage(std::uint32_t seed) {
  preset::tMrv image = InitialImage();
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    for (const RandomScope scope : kScopes) {
      image = Randomized(image, {scope, layer, kMaxAmountPercent, seed + layer, kInstrumentCount});
    }
  }
  return image;
}

bool InScope(const std::vector<ValueSlot>& slots, const ControlSpec& control, int layer) {
  return std::ranges::any_of(slots, [&](const ValueSlot& slot) {
    return slot.control == &control && slot.layer == layer;
  });
}

// The layers a control's value is stored on: the preset-wide block for the Common page.
std::vector<int> LayersOf(const ControlSpec& control) {
  if (control.page == Page::Common) {
    return {0};
  }
  return {1, 2, 3, 4};
}

struct Case {
  preset::tMrv start;
  RandomizeRequest request;
};

void CheckControl(const Case& test, const preset::tMrv& resultImage, const ControlSpec& control,
                  const std::vector<ValueSlot>& slots) {
  if (control.page == Page::Setup) {
    EXPECT_FALSE(std::ranges::any_of(slots, [&](const ValueSlot& slot) {
      return slot.control == &control;
    })) << control.name;
    return;
  }
  for (const int layer : LayersOf(control)) {
    preset::tMrv start = test.start;
    preset::tMrv result = resultImage;
    const ValueSlot slot{&control, layer};
    const int before = ReadSlot(start, slot);
    const int after = ReadSlot(result, slot);
    const std::string where = std::string(control.name) + " layer " + std::to_string(layer);
    if (test.request.amountPercent == 0 || !InScope(slots, control, layer)) {
      EXPECT_EQ(after, before) << where;
      continue;
    }
    const std::optional<int> shown = ShownPosition(control, after);
    ASSERT_TRUE(shown.has_value()) << where << " holds " << after;
    const SlotRange range = RangeOf(slot, kInstrumentCount);
    const std::optional<int> was = ShownPosition(control, before);
    if (was && *was >= range.numberFrom) {
      EXPECT_GE(*shown, range.numberFrom) << where;
      const long long span = static_cast<long long>(range.max) - range.numberFrom;
      const long long reach = (span * test.request.amountPercent + 50) / 100;
      EXPECT_LE(std::llabs(static_cast<long long>(*shown) - *was), reach) << where;
    }
  }
}

void CheckInstruments(const Case& test, const preset::tMrv& resultImage,
                      const std::vector<ValueSlot>& slots) {
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    preset::tMrv start = test.start;
    preset::tMrv result = resultImage;
    const ValueSlot slot{nullptr, layer};
    const bool inScope = std::ranges::any_of(slots, [&](const ValueSlot& each) {
      return each.control == nullptr && each.layer == layer;
    });
    if (test.request.amountPercent == 0 || !inScope) {
      EXPECT_EQ(ReadSlot(result, slot), ReadSlot(start, slot)) << "instrument " << layer;
    } else {
      EXPECT_GE(ReadSlot(result, slot), 0);
      EXPECT_LT(ReadSlot(result, slot), kInstrumentCount);
    }
  }
}

// One table: every value control on each of its layers, 50 seeds, three amounts, four scopes.
TEST(Randomize, KeepsRangesScopeNameAndRepeatsBySeed) {
  const preset::tMrv initial = InitialImage();
  int changedAtFull = 0;
  for (std::uint32_t seed = 0; seed < kSeedCount; ++seed) {
    Case test{seed % 2 == 0 ? initial : WildImage(seed), {}};
    test.start.WriteName("Sed:Name");
    for (const int amount : kAmounts) {
      for (const RandomScope scope : kScopes) {
        test.request = {scope, static_cast<int>(seed % kLayerCount) + 1, amount, seed,
                        kInstrumentCount};
        const preset::tMrv result = Randomized(test.start, test.request);
        const std::vector<ValueSlot> slots =
            SlotsOf(scope, test.request.shownLayer, /*withInstrument=*/true);
        for (const ControlSpec& control : Controls()) {
          CheckControl(test, result, control, slots);
        }
        CheckInstruments(test, result, slots);
        preset::tMrv named = result;
        EXPECT_EQ(named.ReadName(), "Sed:Name        ");
        // Nothing beyond the values of the controls moved.
        EXPECT_TRUE(SlotChanges(test.start, result, AllSlots()).has_value());
        const preset::tMrv again = Randomized(test.start, test.request);
        EXPECT_TRUE(std::ranges::equal(again.View(), result.View()));
        if (amount == kMaxAmountPercent && !std::ranges::equal(result.View(), test.start.View())) {
          ++changedAtFull;
        }
      }
    }
  }
  EXPECT_EQ(changedAtFull, kSeedCount * static_cast<int>(kScopes.size()));
}

// Different seeds give different presets, and a list value at full amount always moves.
TEST(Randomize, SeedsDifferAndFullAmountMovesEveryList) {
  const preset::tMrv initial = InitialImage();
  const preset::tMrv first = Randomized(initial, {RandomScope::AllLayers, 1, 100, 1, 0});
  const preset::tMrv second = Randomized(initial, {RandomScope::AllLayers, 1, 100, 2, 0});
  EXPECT_FALSE(std::ranges::equal(first.View(), second.View()));
  for (std::uint32_t seed = 0; seed < kSeedCount; ++seed) {
    preset::tMrv start = initial;
    preset::tMrv result =
        Randomized(start, {RandomScope::Patchcords, 2, 100, seed, kInstrumentCount});
    for (const ValueSlot& slot : SlotsOf(RandomScope::Patchcords, 2, true)) {
      if (RangeOf(slot, kInstrumentCount).coded) {
        EXPECT_NE(ReadSlot(result, slot), ReadSlot(start, slot)) << slot.control->name;
      }
    }
    preset::tMrv instruments =
        Randomized(start, {RandomScope::ThisLayer, 3, 100, seed, kInstrumentCount});
    EXPECT_NE(ReadSlot(instruments, {nullptr, 3}), ReadSlot(start, {nullptr, 3}));
  }
}

// Values that no position of their control shows are brought into the range first.
TEST(Randomize, BringsValuesNoPositionShowsIntoTheRange) {
  preset::tMrv start = InitialImage();
  const ValueSlot volume{FindControl("dragger1"), 1};
  const ValueSlot filter{FindControl("filtertype"), 1};
  WriteSlot(start, volume, 50);
  WriteSlot(start, filter, 9999);
  for (std::uint32_t seed = 0; seed < kSeedCount; ++seed) {
    preset::tMrv result = Randomized(start, {RandomScope::ThisLayer, 1, 1, seed, 0});
    EXPECT_TRUE(ShownPosition(*volume.control, ReadSlot(result, volume)).has_value());
    EXPECT_GE(ReadSlot(result, volume), 8);
    EXPECT_TRUE(ShownPosition(*filter.control, ReadSlot(result, filter)).has_value());
  }
}

// The cost rule: 36 bytes a value against the 1605 of a dump.
TEST(PresetChanges, NamesTheValuesOrAsksForADump) {
  EXPECT_EQ(EditBytes(1), 36U);
  EXPECT_TRUE(EditsAreCheaper(44));
  EXPECT_FALSE(EditsAreCheaper(45));
  const preset::tMrv initial = InitialImage();
  preset::tMrv changed = initial;
  const ValueSlot volume{FindControl("dragger1"), 2};
  WriteSlot(changed, volume, -7);
  const auto changes = SlotChanges(initial, changed, AllSlots());
  ASSERT_TRUE(changes.has_value());
  ASSERT_EQ(changes->size(), 1U);
  EXPECT_EQ(changes->front().slot.control, volume.control);
  EXPECT_EQ(changes->front().slot.layer, 2);
  EXPECT_EQ(changes->front().value, -7);
  EXPECT_FALSE(SlotChanges(initial, changed, SlotsOf(RandomScope::Common, 1, true)).has_value());
  changed.WriteName("Other");
  EXPECT_FALSE(SlotChanges(initial, changed, AllSlots()).has_value());
  EXPECT_TRUE(SlotChanges(initial, initial, AllSlots())->empty());
}

}  // namespace
}  // namespace morvane::parammap
