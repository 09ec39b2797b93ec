#include <algorithm>
#include <string>
#include <vector>

#include "parammap/item_lists.h"
#include "parammap/param_map.h"

namespace morvane::parammap {

namespace {

constexpr auto Lime = FontColour::Lime;
constexpr auto Aqua = FontColour::Aqua;
constexpr auto Yellow = FontColour::Yellow;
constexpr auto Red = FontColour::Red;
constexpr auto White = FontColour::White;
constexpr auto Plain = ReleaseHandler::Plain;
constexpr auto FilterType = ReleaseHandler::FilterType;

constexpr std::string_view kTabStopControl = "dragger1";
constexpr std::string_view kPresetKnobHint = "Initial positions of the Preset Knobs";

// What the notes column of the layout says of a few controls; the rest keep these defaults.
struct Notes {
  int start = 0;
  int positionDefault = 0;
  ReleaseHandler handler = Plain;
  bool allowPrefixSuffix = true;
  std::string_view hint = {};
};

struct Row {
  std::string_view name;
  Place place;
  FontColour colour;
  std::string_view prefix;
  std::string_view suffix;
  int parameter;
  int min;
  int max;
  ItemList items;
  Notes notes = {};
};

std::vector<Row> SetupRows() {
  // clang-format off
  return {
    {"vel",    {32, 88,  64, 14}, Lime, "Vel:",     "", 0, 1, 127, {},
     {.start = 97, .positionDefault = 97, .handler = ReleaseHandler::Velocity,
      .hint = "center velocity of the keyboard"}},
    {"velrnd", {32, 103, 64, 14}, Lime, "Vel rnd:", "", 0, 0, 64,  {},
     {.start = 10, .positionDefault = 10, .handler = ReleaseHandler::VelocityRandomness,
      .hint = "velocity randomness of the keyboard"}},
  };
  // clang-format on
}

// The initial positions of the preset knobs A to L; parameter 923 has no control.
std::vector<Row> CommonRows() {
  const Notes knob{.handler = ReleaseHandler::PresetKnob, .hint = kPresetKnobHint};
  // clang-format off
  return {
    {"dragger25",  {7,   37, 49, 14}, Lime, "A:", "", 915, -1, 127, OffItems(), knob},
    {"dragger144", {55,  37, 49, 14}, Lime, "B:", "", 916, -1, 127, OffItems(), knob},
    {"dragger146", {103, 37, 49, 14}, Lime, "C:", "", 917, -1, 127, OffItems(), knob},
    {"dragger145", {151, 37, 49, 14}, Lime, "D:", "", 918, -1, 127, OffItems(), knob},
    {"dragger147", {7,   53, 49, 14}, Lime, "E:", "", 919, -1, 127, OffItems(), knob},
    {"dragger148", {55,  53, 49, 14}, Lime, "F:", "", 920, -1, 127, OffItems(), knob},
    {"dragger150", {103, 53, 49, 14}, Lime, "G:", "", 921, -1, 127, OffItems(), knob},
    {"dragger149", {151, 53, 49, 14}, Lime, "H:", "", 922, -1, 127, OffItems(), knob},
    {"dragger151", {7,   69, 49, 14}, Lime, "I:", "", 924, -1, 127, OffItems(), knob},
    {"dragger152", {55,  69, 49, 14}, Lime, "J:", "", 925, -1, 127, OffItems(), knob},
    {"dragger154", {103, 69, 49, 14}, Lime, "K:", "", 926, -1, 127, OffItems(), knob},
    {"dragger153", {151, 69, 49, 14}, Lime, "L:", "", 927, -1, 127, OffItems(), knob},
  };
  // clang-format on
}

// Parameters 1409 (the instrument list box) and 1412 have no value control here.
std::vector<Row> LayerRows() {
  // clang-format off
  return {
    {"dragger1",   {9,   40,  46,  16}, Lime,   "vol:",   "dB", 1410, -96,  10,  {}},
    {"dragger2",   {55,  40,  49,  16}, Lime,   "pan:",   "",   1411, -64,  63,  {}},
    {"dragger4",   {104, 40,  49,  16}, Lime,   "CT:",    "",   1425, -36,  36,  {}},
    {"dragger3",   {153, 40,  46,  16}, Lime,   "FT:",    "",   1426, -64,  64,  {}},
    {"dragger6",   {199, 40,  49,  16}, Lime,   "chr:",   "%",  1427, 0,    100, {}},
    {"dragger5",   {248, 40,  48,  16}, Lime,   "chrw:",  "%",  1428, 0,    100, {}},
    {"dragger7",   {9,   56,  46,  16}, Lime,   "trsp:",  "",   1429, -36,  36,  {}},
    {"dragger8",   {55,  56,  49,  16}, Lime,   "ntrsp:", "",   1430, 0,    1,   OffOnItems()},
    {"dragger10",  {104, 56,  49,  16}, Lime,   "bnd:",   "",   1431, -1,   12,  MonoBendItems(),      {.start = 2}},
    {"dragger9",   {153, 56,  46,  16}, Lime,   "gld:",   "",   1432, 0,    127, {}},
    {"dragger12",  {199, 56,  49,  16}, Lime,   "gcrv:",  "",   1433, 0,    8,   GlideCurveItems()},
    {"dragger11",  {248, 56,  48,  16}, Lime,   "loop:",  "",   1434, 0,    1,   OffOnItems()},
    {"dragger13",  {9,   72,  46,  16}, Lime,   "dlay:",  "",   1435, -25,  127, TempoDivisionItems()},
    {"dragger14",  {55,  72,  49,  16}, Lime,   "strt:",  "",   1436, 0,    127, {}},
    {"dragger16",  {104, 72,  49,  16}, Lime,   "s:",     "",   1437, 0,    8,   SoloModeItems()},
    {"dragger15",  {153, 72,  46,  16}, Lime,   "",       "",   1438, 0,    23,  AssignGroupItems()},
    {"dragger155", {8,   89,  49,  16}, Aqua,   "kLo:",   "",   1413, 0,    127, NoteNameItems()},
    {"dragger156", {56,  89,  49,  16}, Aqua,   "kLoF:",  "",   1414, 0,    127, {}},
    {"dragger159", {109, 89,  49,  16}, Aqua,   "vLo:",   "",   1417, 0,    127, {}},
    {"dragger160", {157, 89,  49,  16}, Aqua,   "vLoF:",  "",   1418, 0,    127, {}},
    {"dragger163", {207, 89,  49,  16}, Aqua,   "RTLo:",  "",   1421, 0,    127, {}},
    {"dragger164", {256, 89,  49,  16}, Aqua,   "RTLoF:", "",   1422, 0,    127, {}},
    {"dragger157", {7,   105, 49,  16}, Aqua,   "kHi:",   "",   1415, 0,    127, NoteNameItems()},
    {"dragger158", {56,  105, 49,  16}, Aqua,   "kHiF:",  "",   1416, 0,    127, {}},
    {"dragger161", {109, 105, 49,  16}, Aqua,   "vHi:",   "",   1419, 0,    127, {}},
    {"dragger162", {157, 105, 49,  16}, Aqua,   "vHiF:",  "",   1420, 0,    127, {}},
    {"dragger165", {208, 105, 49,  16}, Aqua,   "RTHi:",  "",   1423, 0,    127, {}},
    {"dragger166", {256, 105, 49,  16}, Aqua,   "RTHiF:", "",   1424, 0,    127, {}},
    {"filtertype", {9,   129, 128, 16}, Red,    "",       "",   1537, 0,    50,  FilterTypeItems(),    {.handler = FilterType}},
    {"dragger26",  {145, 129, 48,  16}, Red,    "cut:",   "",   1538, 0,    255, {},                   {.positionDefault = 127}},
    {"dragger28",  {193, 129, 49,  16}, Red,    "Q:",     "",   1539, 0,    127, {},                   {.positionDefault = 127}},
    {"dragger37",  {55,  152, 49,  16}, Yellow, "rt:",    "",   1665, -25,  127, TempoDivisionItems()},
    {"dragger38",  {104, 152, 49,  16}, Yellow, "",       "",   1666, -1,   15,  LfoShapeItems()},
    {"dragger40",  {153, 152, 46,  16}, Yellow, "dl:",    "",   1667, -25,  127, {}},
    {"dragger39",  {199, 152, 49,  16}, Yellow, "v:",     "%",  1668, 0,    100, {}},
    {"dragger42",  {248, 152, 48,  16}, Yellow, "sync:",  "",   1669, 0,    1,   SyncItems(),          {.allowPrefixSuffix = false}},
    {"dragger43",  {55,  168, 49,  16}, Yellow, "rt:",    "",   1670, -25,  127, TempoDivisionItems()},
    {"dragger44",  {104, 168, 49,  16}, Yellow, "",       "",   1671, -1,   15,  LfoShapeItems()},
    {"dragger46",  {153, 168, 46,  16}, Yellow, "dl:",    "",   1672, -25,  127, {}},
    {"dragger45",  {199, 168, 49,  16}, Yellow, "v:",     "%",  1673, 0,    100, {}},
    {"dragger48",  {248, 168, 48,  16}, Yellow, "sync:",  "",   1674, 0,    1,   SyncItems(),          {.allowPrefixSuffix = false}},
    {"dragger17",  {9,   184, 46,  16}, Lime,   "",       "",   1793, 0,    2,   EnvelopeModeItems()},
    {"dragger69",  {55,  184, 49,  16}, Lime,   "rpt:",   "",   1832, 0,    1,   OffOnItems()},
    {"dragger49",  {9,   198, 46,  16}, Lime,   "A1:",    "",   1794, 0,    127, {}},
    {"dragger50",  {55,  198, 49,  16}, Lime,   "A2:",    "",   1800, 0,    127, {}},
    {"dragger52",  {104, 198, 49,  16}, Lime,   "D1:",    "",   1796, 0,    127, {}},
    {"dragger51",  {153, 198, 46,  16}, Lime,   "D2:",    "",   1802, 0,    127, {}},
    {"dragger54",  {199, 198, 49,  16}, Lime,   "R1:",    "",   1798, 0,    127, {}},
    {"dragger53",  {248, 198, 48,  16}, Lime,   "R2:",    "",   1804, 0,    127, {}},
    {"dragger55",  {9,   214, 46,  15}, Lime,   "A1:",    "%",  1795, 0,    100, {}},
    {"dragger56",  {55,  214, 49,  15}, Lime,   "A2:",    "%",  1801, 0,    100, {}},
    {"dragger58",  {104, 214, 49,  15}, Lime,   "D1:",    "%",  1797, 0,    100, {}},
    {"dragger57",  {153, 214, 46,  15}, Lime,   "D2:",    "%",  1803, 0,    100, {}},
    {"dragger60",  {199, 214, 49,  15}, Lime,   "R1:",    "%",  1799, 0,    100, {}},
    {"dragger59",  {248, 214, 48,  15}, Lime,   "R2:",    "%",  1805, 0,    100, {}},
    {"dragger33",  {9,   229, 46,  18}, Lime,   "",       "",   1806, 1,    2,   TimeClockItems(),     {.start = 1}},
    {"dragger70",  {55,  229, 49,  18}, Lime,   "rpt:",   "",   1833, 0,    1,   OffOnItems()},
    {"dragger18",  {9,   245, 46,  16}, Lime,   "A1:",    "",   1807, 0,    127, {}},
    {"dragger19",  {55,  245, 49,  16}, Lime,   "A2:",    "",   1813, 0,    127, {}},
    {"dragger21",  {104, 245, 49,  16}, Lime,   "D1:",    "",   1809, 0,    127, {}},
    {"dragger20",  {153, 245, 46,  16}, Lime,   "D2:",    "",   1815, 0,    127, {}},
    {"dragger23",  {199, 245, 49,  16}, Lime,   "R1:",    "",   1811, 0,    127, {}},
    {"dragger22",  {248, 245, 48,  16}, Lime,   "R2:",    "",   1817, 0,    127, {}},
    {"dragger24",  {9,   261, 46,  16}, Lime,   "A1:",    "%",  1808, -100, 100, {}},
    {"dragger27",  {55,  261, 49,  16}, Lime,   "A2:",    "%",  1814, -100, 100, {}},
    {"dragger30",  {104, 261, 49,  16}, Lime,   "D1:",    "%",  1810, -100, 100, {}},
    {"dragger29",  {153, 261, 46,  16}, Lime,   "D2:",    "%",  1816, -100, 100, {}},
    {"dragger32",  {199, 261, 49,  16}, Lime,   "R1:",    "%",  1812, -100, 100, {}},
    {"dragger31",  {248, 261, 48,  16}, Lime,   "R2:",    "%",  1818, -100, 100, {}},
    {"dragger68",  {9,   276, 46,  16}, Lime,   "",       "",   1819, 1,    2,   TimeClockItems(),     {.start = 1}},
    {"dragger71",  {55,  276, 49,  16}, Lime,   "rpt:",   "",   1834, 0,    1,   OffOnItems()},
    {"dragger34",  {9,   290, 46,  16}, Lime,   "A1:",    "",   1820, 0,    127, {}},
    {"dragger35",  {55,  290, 49,  16}, Lime,   "A2:",    "",   1826, 0,    127, {}},
    {"dragger41",  {104, 290, 49,  16}, Lime,   "D1:",    "",   1822, 0,    127, {}},
    {"dragger36",  {153, 290, 46,  16}, Lime,   "D2:",    "",   1828, 0,    127, {}},
    {"dragger61",  {199, 290, 49,  16}, Lime,   "R1:",    "",   1824, 0,    127, {}},
    {"dragger47",  {248, 290, 48,  16}, Lime,   "R2:",    "",   1830, 0,    127, {}},
    {"dragger62",  {9,   306, 46,  16}, Lime,   "A1:",    "%",  1821, -100, 100, {}},
    {"dragger63",  {55,  306, 49,  16}, Lime,   "A2:",    "%",  1827, -100, 100, {}},
    {"dragger65",  {104, 306, 49,  16}, Lime,   "D1:",    "%",  1823, -100, 100, {}},
    {"dragger64",  {153, 306, 46,  16}, Lime,   "D2:",    "%",  1829, -100, 100, {}},
    {"dragger67",  {199, 306, 49,  16}, Lime,   "R1:",    "%",  1825, -100, 100, {}},
    {"dragger66",  {248, 306, 48,  16}, Lime,   "R2:",    "%",  1831, -100, 100, {}},
  };
  // clang-format on
}

struct CordRow {
  int top;
  int height;
  FontColour colour;
};

// clang-format off
constexpr CordRow kCordRows[] = {
    {16,  14, Lime},   {30,  17, Lime},   {47,  15, Lime},   {62,  14, Lime},     //  1 to  4
    {78,  15, Aqua},   {93,  14, Aqua},   {107, 15, Aqua},   {122, 17, Aqua},     //  5 to  8
    {141, 15, Yellow}, {156, 15, Yellow}, {171, 14, Yellow}, {185, 15, Yellow},   //  9 to 12
    {204, 14, Red},    {218, 15, Red},    {233, 15, Red},    {248, 15, Red},      // 13 to 16
    {265, 17, White},  {282, 14, White},  {296, 15, White},  {311, 15, White},    // 17 to 20
    {328, 14, Lime},   {342, 17, Lime},   {359, 15, Lime},   {373, 14, Lime},     // 21 to 24
};
// clang-format on

constexpr int kFirstCordControl = 72;
constexpr int kFirstCordParameter = 1921;
constexpr int kControlsPerCord = 3;
constexpr int kSourceLeft = 21;
constexpr int kDestinationLeft = 141;
constexpr int kAmountLeft = 263;
constexpr int kCodeColumnWidth = 120;
constexpr int kAmountWidth = 49;
constexpr int kCordMax = 127;
constexpr int kAmountLimit = 100;

constexpr int kCordControlCount = kControlsPerCord * static_cast<int>(std::size(kCordRows));

// The names "dragger72" to "dragger143", kept for the life of the program.
std::string_view CordName(int number) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> built;
    for (int offset = 0; offset < kCordControlCount; ++offset) {
      built.push_back("dragger" + std::to_string(kFirstCordControl + offset));
    }
    return built;
  }();
  return names[static_cast<std::size_t>(number - kFirstCordControl)];
}

// Each cord row holds a source, a destination and an amount; only the first row carries
// the two lists, the start-up copies them to the others.
std::vector<Row> PatchcordRows() {
  std::vector<Row> rows;
  for (int index = 0; index < static_cast<int>(std::size(kCordRows)); ++index) {
    const CordRow& cord = kCordRows[index];
    const int number = kFirstCordControl + kControlsPerCord * index;
    const int parameter = kFirstCordParameter + kControlsPerCord * index;
    const bool first = index == 0;
    rows.push_back({"",
                    {kSourceLeft, cord.top, kCodeColumnWidth, cord.height},
                    cord.colour,
                    kCordSourcePrefix,
                    "",
                    parameter,
                    0,
                    kCordMax,
                    first ? CordSourceItems() : ItemList{},
                    {.handler = ReleaseHandler::CordSource, .allowPrefixSuffix = false}});
    rows.push_back({"",
                    {kDestinationLeft, cord.top, kCodeColumnWidth, cord.height},
                    cord.colour,
                    kCordDestinationPrefix,
                    "",
                    parameter + 1,
                    0,
                    kCordMax,
                    first ? CordDestinationItems() : ItemList{},
                    {.handler = ReleaseHandler::CordDestination, .allowPrefixSuffix = false}});
    rows.push_back({"",
                    {kAmountLeft, cord.top, kAmountWidth, cord.height},
                    cord.colour,
                    "",
                    "",
                    parameter + 2,
                    -kAmountLimit,
                    kAmountLimit,
                    {}});
    for (int column = 0; column < kControlsPerCord; ++column) {
      rows[rows.size() - kControlsPerCord + column].name = CordName(number + column);
    }
  }
  return rows;
}

ControlSpec SpecOf(Page page, const Row& row) {
  return ControlSpec{
      .name = row.name,
      .page = page,
      .place = row.place,
      .colour = row.colour,
      .frame = page == Page::Layer ? Frame::SunkenEdge : Frame::RaisedBevel,
      .prefix = row.prefix,
      .suffix = row.suffix,
      .allowPrefixSuffix = row.notes.allowPrefixSuffix,
      .min = row.min,
      .max = row.max,
      .start = row.notes.start,
      .positionDefault = row.notes.positionDefault,
      .items = row.items,
      .hint = row.notes.hint,
      .tabStop = row.name == kTabStopControl,
      .handler = row.notes.handler,
      .parameter = row.parameter,
  };
}

std::vector<ControlSpec> BuildControls() {
  std::vector<ControlSpec> controls;
  const auto add = [&controls](Page page, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      controls.push_back(SpecOf(page, row));
    }
  };
  add(Page::Setup, SetupRows());
  add(Page::Common, CommonRows());
  add(Page::Layer, LayerRows());
  add(Page::Patchcords, PatchcordRows());
  return controls;
}

}  // namespace

Rgb ColourValue(FontColour colour) {
  switch (colour) {
    case FontColour::Lime:
      return {0, 255, 0};
    case FontColour::Aqua:
      return {0, 255, 255};
    case FontColour::Yellow:
      return {255, 255, 0};
    case FontColour::Red:
      return {255, 0, 0};
    case FontColour::White:
      return {255, 255, 255};
  }
  return {0, 0, 0};
}

std::span<const ControlSpec> Controls() {
  static const std::vector<ControlSpec> controls = BuildControls();
  return controls;
}

std::span<const ControlSpec> ControlsOn(Page page) {
  const auto all = Controls();
  // The controls of a page stand together, the pages in tab order.
  const auto onPage = [page](const ControlSpec& control) { return control.page == page; };
  const auto first = std::find_if(all.begin(), all.end(), onPage);
  const auto last = std::find_if_not(first, all.end(), onPage);
  return {first, last};
}

const ControlSpec* FindControl(std::string_view name) {
  const auto all = Controls();
  const auto found = std::find_if(
      all.begin(), all.end(), [name](const ControlSpec& control) { return control.name == name; });
  return found != all.end() ? &*found : nullptr;
}

}  // namespace morvane::parammap
