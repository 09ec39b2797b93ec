#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parammap/param_map.h"
#include "parammap/preset_view.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"

namespace morvane::parammap {
namespace {

preset::tMrv InitialImage() {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  return image;
}

void Write(preset::tMrv& image, const char* controlName, int layer, int value) {
  const ControlSpec* control = FindControl(controlName);
  ASSERT_NE(control, nullptr);
  image.WriteParam(preset::GroupOf(control->Ctrl2()), control->Ctrl1(), layer, value);
}

// Only what differs is listed, in the window's order, each side as its control shows it.
TEST(PresetDifferences, ListNameValuesCodesAndInstrumentsPageByPage) {
  preset::tMrv current = InitialImage();
  preset::tMrv other = InitialImage();
  EXPECT_TRUE(PresetDifferences(current, other, {}).empty());

  current.WriteName("Abc:Pad");
  other.WriteName("Xyz:Pad");
  Write(current, "dragger1", 3, 0);
  Write(other, "dragger1", 3, -6);
  Write(other, "dragger25", 0, 5);
  Write(other, "filtertype", 1, filterTypeCodes().back().code);
  Write(current, "dragger72", 4, cordSourceCodes()[1].code);
  other.WriteParam(0, 0x01, 2, 7);
  current.WriteParam(0, 0x01, 2, 1);
  const std::vector<std::string> instruments{"Piano", "Organ"};
  EXPECT_EQ(PresetDifferences(current, other, instruments),
            (std::vector<std::string>{
                "Common  name:  Abc:Pad \u2192 Xyz:Pad", "Common  A:  A:+0 \u2192 A:+5",
                "Layer 1  filtertype:  Off  \u2192 KlangKling 12 SFX",
                "Layer 2  instrument:  Organ \u2192 7", "Layer 3  vol:  vol:+0dB \u2192 vol:-6dB",
                "Layer 4  cord 1 src:   Crossfade Random) \u2192  Off"}));
}

}  // namespace
}  // namespace morvane::parammap
