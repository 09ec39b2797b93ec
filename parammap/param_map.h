#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace morvane::parammap {

// The four tab pages that hold value controls, in tab order.
enum class Page { Setup, Common, Layer, Patchcords };

// Where a value control's released value goes.
enum class ReleaseHandler {
  Plain,               // dragger1MouseUp: the position, to each selected layer
  PresetKnob,          // dragger25MouseUp: the position, to the preset-wide block
  FilterType,          // filtertypeMouseUp: filterTypeCodes[position], to each selected layer
  CordSource,          // dragger72MouseUp: cordSourceCodes[position]
  CordDestination,     // dragger73MouseUp: cordDestinationCodes[position]
  Velocity,            // velMouseUp: the engine's Velocity, nothing sent
  VelocityRandomness,  // velrndMouseUp: the engine's VelRnd, nothing sent
};

enum class FontColour { Lime, Aqua, Yellow, Red, White };

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};
Rgb ColourValue(FontColour colour);

// The control's own raised one-pixel bevel, or no bevel with the sunken client edge (the
// Layer page).
enum class Frame { RaisedBevel, SunkenEdge };

struct Place {
  int left;
  int top;
  int width;
  int height;
};

using ItemList = std::span<const std::string_view>;

// The high byte of the preset-wide block's parameters; the layer blocks follow it.
inline constexpr int kCommonBlock = 7;

// The refresh tells the cord columns apart by these prefixes, which no caption shows.
inline constexpr std::string_view kCordSourcePrefix = "src:";
inline constexpr std::string_view kCordDestinationPrefix = "des:";

// One value control of the window, as its layout gives it.
struct ControlSpec {
  std::string_view name;  // "dragger25", "filtertype", "vel"
  Page page;
  Place place;
  FontColour colour;
  Frame frame;
  std::string_view prefix;
  std::string_view suffix;
  bool allowPrefixSuffix;
  int min;
  int max;
  int start;            // the position the control stands at when the layout is built
  int positionDefault;  // what a double-click restores
  ItemList items;       // empty for the cord controls of rows 2 to 24 (start-up copies them)
  std::string_view hint;
  bool tabStop;
  ReleaseHandler handler;
  int parameter;  // 14-bit parameter number; 0 on the Setup page

  std::uint8_t Ctrl1() const { return static_cast<std::uint8_t>(parameter & 0x7F); }
  std::uint8_t Ctrl2() const { return static_cast<std::uint8_t>(parameter >> 7); }
};

// Every value control, page by page in tab order, each page in the order of its table
// (which is also the order of the panel's children): 2 + 12 + 83 + 72 = 169.
std::span<const ControlSpec> Controls();
std::span<const ControlSpec> ControlsOn(Page page);
// nullptr when no value control has that name.
const ControlSpec* FindControl(std::string_view name);

// A value table: the item text of each position and the code it sends.
struct CodeEntry {
  std::string_view item;
  int code;
};
std::span<const CodeEntry> filterTypeCodes();
std::span<const CodeEntry> cordSourceCodes();
std::span<const CodeEntry> cordDestinationCodes();

// The item texts of a value table, in position order (the items of its controls).
ItemList FilterTypeItems();
ItemList CordSourceItems();
ItemList CordDestinationItems();

// The table a coded control sends from and the refresh searches; empty for the others.
std::span<const CodeEntry> CodeTableOf(const ControlSpec& control);

// The code a table control sends from position, or nullopt where nothing may be sent.
std::optional<int> CodeAt(std::span<const CodeEntry> table, int position);
// The last position whose code equals code, or nullopt: what the refresh shows.
std::optional<int> PositionOfCode(std::span<const CodeEntry> table, int code);

// The group of the preset image (ReadParam, WriteParam) that holds the control's parameter:
// 0 for the preset-wide block, 4 to 8 for the layer blocks.
int ImageGroup(const ControlSpec& control);

// The items a control holds once start-up has copied the cord lists to rows 2 to 24.
ItemList ItemsAfterStartUp(const ControlSpec& control);

// The position the window's refresh gives a control for a stored value: the value itself, or
// for a coded control the last position carrying that code. nullopt where the control keeps
// its previous position: a position outside min..max, or a code at no position.
std::optional<int> ShownPosition(const ControlSpec& control, int storedValue);

// Number of values in min..max; 0 for an empty range. Counted in 64 bits: the widest int
// range holds more values than an int can count.
long long RangeCount(int min, int max);

// The caption rule of the value control, on standard strings.
struct CaptionSettings {
  int min = 0;
  int max = 0;
  ItemList items;
  std::string_view prefix;
  std::string_view suffix;
  bool allowPrefixSuffix = true;
};
// nullopt where the caption stays as it was: value outside min..max, more items than values.
std::optional<std::string> CaptionFor(const CaptionSettings& settings, int value);
// A control's caption settings with the items it holds at the moment.
CaptionSettings CaptionSettingsOf(const ControlSpec& control, ItemList items);

}  // namespace morvane::parammap
