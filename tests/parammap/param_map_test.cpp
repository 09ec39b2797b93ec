#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "parammap/param_map.h"

namespace morvane::parammap {
namespace {

struct Shown {
  std::string name;
  std::string caption;
};

std::optional<std::string> CaptionAt(const ControlSpec& control, ItemList items, int position) {
  return CaptionFor(CaptionSettingsOf(control, items), position);
}

// The layout's "Shows at start" column, page by page in table order.
std::vector<Shown> StartCaptions() {
  std::vector<Shown> shown = {
      {"vel", "Vel:97"},         {"velrnd", "Vel rnd:10"},  {"dragger25", "A:+0"},
      {"dragger144", "B:+0"},    {"dragger146", "C:+0"},    {"dragger145", "D:+0"},
      {"dragger147", "E:+0"},    {"dragger148", "F:+0"},    {"dragger150", "G:+0"},
      {"dragger149", "H:+0"},    {"dragger151", "I:+0"},    {"dragger152", "J:+0"},
      {"dragger154", "K:+0"},    {"dragger153", "L:+0"},    {"dragger1", "vol:+0dB"},
      {"dragger2", "pan:+0"},    {"dragger4", "CT:+0"},     {"dragger3", "FT:+0"},
      {"dragger6", "chr:0%"},    {"dragger5", "chrw:0%"},   {"dragger7", "trsp:+0"},
      {"dragger8", "off"},       {"dragger10", "bnd:+2"},   {"dragger9", "gld:0"},
      {"dragger12", "lin"},      {"dragger11", "off"},      {"dragger13", "dlay:+0"},
      {"dragger14", "strt:0"},   {"dragger16", "off"},      {"dragger15", "poly all"},
      {"dragger155", "C-2 "},    {"dragger156", "kLoF:0"},  {"dragger159", "vLo:0"},
      {"dragger160", "vLoF:0"},  {"dragger163", "RTLo:0"},  {"dragger164", "RTLoF:0"},
      {"dragger157", "C-2 "},    {"dragger158", "kHiF:0"},  {"dragger161", "vHi:0"},
      {"dragger162", "vHiF:0"},  {"dragger165", "RTHi:0"},  {"dragger166", "RTHiF:0"},
      {"filtertype", "Off "},    {"dragger26", "cut:0"},    {"dragger28", "Q:0"},
      {"dragger37", "rt:+0"},    {"dragger38", "triangle"}, {"dragger40", "dl:+0"},
      {"dragger39", "v:0%"},     {"dragger42", "key sync"}, {"dragger43", "rt:+0"},
      {"dragger44", "triangle"}, {"dragger46", "dl:+0"},    {"dragger45", "v:0%"},
      {"dragger48", "key sync"}, {"dragger17", "factory"},  {"dragger69", "off"},
      {"dragger49", "A1:0"},     {"dragger50", "A2:0"},     {"dragger52", "D1:0"},
      {"dragger51", "D2:0"},     {"dragger54", "R1:0"},     {"dragger53", "R2:0"},
      {"dragger55", "A1:0%"},    {"dragger56", "A2:0%"},    {"dragger58", "D1:0%"},
      {"dragger57", "D2:0%"},    {"dragger60", "R1:0%"},    {"dragger59", "R2:0%"},
      {"dragger33", "time"},     {"dragger70", "off"},      {"dragger18", "A1:0"},
      {"dragger19", "A2:0"},     {"dragger21", "D1:0"},     {"dragger20", "D2:0"},
      {"dragger23", "R1:0"},     {"dragger22", "R2:0"},     {"dragger24", "A1:+0%"},
      {"dragger27", "A2:+0%"},   {"dragger30", "D1:+0%"},   {"dragger29", "D2:+0%"},
      {"dragger32", "R1:+0%"},   {"dragger31", "R2:+0%"},   {"dragger68", "time"},
      {"dragger71", "off"},      {"dragger34", "A1:0"},     {"dragger35", "A2:0"},
      {"dragger41", "D1:0"},     {"dragger36", "D2:0"},     {"dragger61", "R1:0"},
      {"dragger47", "R2:0"},     {"dragger62", "A1:+0%"},   {"dragger63", "A2:+0%"},
      {"dragger65", "D1:+0%"},   {"dragger64", "D2:+0%"},   {"dragger67", "R1:+0%"},
      {"dragger66", "R2:+0%"},
  };
  constexpr int kCordRows = 24;
  for (int row = 0; row < kCordRows; ++row) {
    // Rows 2 to 24 have no items until start-up copies the lists of row 1.
    const std::string code = row == 0 ? " Off" : "0";
    const int number = 72 + 3 * row;
    shown.push_back({"dragger" + std::to_string(number), code});
    shown.push_back({"dragger" + std::to_string(number + 1), code});
    shown.push_back({"dragger" + std::to_string(number + 2), "+0"});
  }
  return shown;
}

TEST(ParamMap, EveryControlShowsItsStartCaptionInTableOrder) {
  const auto shown = StartCaptions();
  const auto controls = Controls();
  ASSERT_EQ(controls.size(), shown.size());
  EXPECT_EQ(ControlsOn(Page::Setup).size(), 2u);
  EXPECT_EQ(ControlsOn(Page::Common).size(), 12u);
  EXPECT_EQ(ControlsOn(Page::Layer).size(), 83u);
  EXPECT_EQ(ControlsOn(Page::Patchcords).size(), 72u);
  for (std::size_t index = 0; index < shown.size(); ++index) {
    const ControlSpec& control = controls[index];
    EXPECT_EQ(control.name, shown[index].name);
    EXPECT_EQ(CaptionAt(control, control.items, control.start), shown[index].caption)
        << control.name;
    EXPECT_EQ(FindControl(shown[index].name), &control);
  }
  EXPECT_EQ(FindControl("dragger23x"), nullptr);
}

TEST(ParamMap, EdgeCaptionsOfTheMap) {
  struct Case {
    std::string_view name;
    int position;
    std::string caption;
  };
  const Case cases[] = {
      {"dragger10", -1, "bnd:m"},     {"dragger10", 2, "bnd:+2"},
      {"dragger25", -1, "A:off"},     {"dragger25", 5, "A:+5"},
      {"dragger13", -25, "dlay:8/1"}, {"dragger13", 0, "dlay:+0"},
      {"dragger40", -25, "dl:-25"},   {"dragger33", 1, "time"},
      {"dragger33", 2, "clock"},      {"dragger68", 2, "clock"},
      {"dragger38", -1, "random"},    {"dragger155", 3, "D#-2"},
      {"dragger155", 60, "C3 "},      {"dragger157", 127, "G8 "},
      {"dragger157", 11, "B-2"},      {"filtertype", 50, "KlangKling 12 SFX"},
      {"dragger72", 69, "69"},
  };
  for (const auto& [name, position, caption] : cases) {
    const ControlSpec& control = *FindControl(name);
    EXPECT_EQ(CaptionAt(control, control.items, position), caption) << name << " " << position;
  }
}

TEST(ParamMap, CordControlsOfLaterRowsShowTheListsOnceStartUpCopiedThem) {
  const ControlSpec& source = *FindControl("dragger75");
  const ControlSpec& destination = *FindControl("dragger142");
  EXPECT_TRUE(source.items.empty());
  const auto position = ShownPosition(source, 0);
  ASSERT_EQ(position, 0);
  EXPECT_EQ(CaptionAt(source, ItemsAfterStartUp(source), *position), " Off");
  EXPECT_EQ(
      CaptionAt(destination, ItemsAfterStartUp(destination), *ShownPosition(destination, 191)),
      " C24Amt");
}

TEST(ParamMap, TablesHoldOneCodePerItemAndAreSearchedFromTheEnd) {
  EXPECT_EQ(filterTypeCodes().size(), 51u);
  EXPECT_EQ(cordSourceCodes().size(), 69u);
  EXPECT_EQ(cordDestinationCodes().size(), 66u);
  EXPECT_EQ(FilterTypeItems().size(), filterTypeCodes().size());
  EXPECT_EQ(CordSourceItems().size(), cordSourceCodes().size());
  EXPECT_EQ(CordDestinationItems().size(), cordDestinationCodes().size());
  EXPECT_EQ(FindControl("filtertype")->items.size(), filterTypeCodes().size());
  EXPECT_EQ(FindControl("dragger72")->items.size(), cordSourceCodes().size());
  EXPECT_EQ(FindControl("dragger73")->items.size(), cordDestinationCodes().size());

  const CodeEntry doubled[] = {{"a", 5}, {"b", 7}, {"c", 5}};
  EXPECT_EQ(PositionOfCode(doubled, 5), 2);
  EXPECT_EQ(PositionOfCode(doubled, 6), std::nullopt);
  EXPECT_EQ(PositionOfCode(filterTypeCodes(), 0), 1);
  EXPECT_EQ(CodeAt(filterTypeCodes(), 2), 2);
  EXPECT_EQ(PositionOfCode(filterTypeCodes(), 163), 50);
  EXPECT_EQ(PositionOfCode(cordSourceCodes(), 167), 68);
  EXPECT_EQ(CodeAt(cordSourceCodes(), 68), 167);
  EXPECT_EQ(CodeAt(cordSourceCodes(), 69), std::nullopt);
  EXPECT_EQ(CodeAt(cordDestinationCodes(), 66), std::nullopt);
  EXPECT_EQ(CodeAt(cordDestinationCodes(), -1), std::nullopt);
}

TEST(ParamMap, RefreshRefusesValuesOutsideTheRangeAndUnknownCodes) {
  EXPECT_EQ(ShownPosition(*FindControl("dragger1"), 10), 10);
  EXPECT_EQ(ShownPosition(*FindControl("dragger1"), 11), std::nullopt);
  EXPECT_EQ(ShownPosition(*FindControl("dragger33"), 0), std::nullopt);
  EXPECT_EQ(ShownPosition(*FindControl("filtertype"), 127), 0);
  EXPECT_EQ(ShownPosition(*FindControl("filtertype"), 3), std::nullopt);
  EXPECT_EQ(ShownPosition(*FindControl("dragger73"), 9), std::nullopt);
}

TEST(ParamMap, NamesAndParametersAreUniqueAndSkipTheUneditedOnes) {
  std::set<std::string_view> names;
  std::set<int> parameters;
  for (const ControlSpec& control : Controls()) {
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
    if (control.page != Page::Setup) {
      EXPECT_TRUE(parameters.insert(control.parameter).second) << control.name;
    }
    EXPECT_EQ(control.tabStop, control.name == "dragger1");
    EXPECT_EQ(control.frame == Frame::SunkenEdge, control.page == Page::Layer) << control.name;
    EXPECT_EQ(control.hint.empty(), control.page == Page::Layer || control.page == Page::Patchcords)
        << control.name;
  }
  EXPECT_FALSE(parameters.contains(923));
  EXPECT_FALSE(parameters.contains(1412));
  EXPECT_EQ(FindControl("dragger1")->Ctrl1(), 0x02);
  EXPECT_EQ(FindControl("dragger1")->Ctrl2(), 0x0B);
}

}  // namespace
}  // namespace morvane::parammap
