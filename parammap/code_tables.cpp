#include <algorithm>
#include <array>
#include <cstddef>

#include "parammap/param_map.h"

namespace morvane::parammap {

namespace {

// Position 2 ("Steeper 6 LPF") stands for code 2. The layout gave it code 0, the code of
// position 1, and gave code 2 to no position; with 0 at both, the refresh (where the last
// match wins) would show a stored 0 as "Steeper 6 LPF" although "Classic 4 LPF" sent it.
// With code 2 every position sends a code of its own and shows again as itself.
constexpr CodeEntry kFilterTypeCodes[] = {
    {"Off ", 127},                // 0
    {"Classic 4 LPF", 0},         // 1
    {"Steeper 6 LPF", 2},         // 2: see above
    {"EarlyRizer 12 LPF", 133},   // 3
    {"KlubKlassik 12 LPF", 136},  // 4
    {"Shallow 2 HPF", 8},         // 5
    {"Band-pass1 2 BPF", 16},     // 6
    {"ContraBand 6 BPF", 18},     // 7
    {"Swept2>1oct 6 EQ+", 33},    // 8
    {"DJAlkaline 12 EQ+", 146},   // 9
    {"TB-OrNot-T 12 EQ+", 128},   // 10
    {"BassTracer 12 EQ+", 147},   // 11
    {"RazorBlades 12 EQ-", 149},  // 12
    {"Aah-Ay-Eeh 6 VOW", 80},     // 13
    {"MultiQVox 12 VOW", 143},    // 14
    {"TalkingHedz 12 VOW", 144},  // 15
    {"UbuOrator 12 VOW", 152},    // 16
    {"PhazeShift1 6 PHA", 64},    // 17
    {"FreakShifta 12 PHA", 154},  // 18
    {"FlangerLite 6 FLG", 72},    // 19
    {"DreamWeava 12 FLG", 157},   // 20
    {"DeadRinger 12 REZ", 139},   // 21
    {"AcidRavage 12 REZ", 158},   // 22
    {"LucifersQ 12 REZ", 160},    // 23
    {"EarBender 12 WAH", 162},    // 24
    {"BlissBatz 6 PHA", 66},      // 25
    {"Smooth 2 LPF", 1},          // 26
    {"MegaSweepz 12 LPF", 132},   // 27
    {"Millennium 12 LPF", 134},   // 28
    {"BassBox-303 12 LPF", 137},  // 29
    {"Deeper 4 HPF", 9},          // 30
    {"Band-pass2 4 BPF", 17},     // 31
    {"Swept1oct 6 EQ+", 32},      // 32
    {"Swept3>1oct 6 EQ+", 34},    // 33
    {"AceOfBass 12 EQ+", 131},    // 34
    {"BolandBass 12 EQ+", 142},   // 35
    {"RogueHertz 12 EQ+", 148},   // 36
    {"RadioCraze 12 EQ-", 150},   // 37
    {"Ooh-To-Aah 6 VOW", 81},     // 38
    {"Ooh-To-Eee 12 VOW", 141},   // 39
    {"Eeh-To-Aah 12 VOW", 151},   // 40
    {"DeepBouche 12 VOW", 153},   // 41
    {"PhazeShift2 6 PHA", 65},    // 42
    {"CruzPusher 12 PHA", 155},   // 43
    {"AngelzHairz 12 FLG", 156},  // 44
    {"MeatyGizmo 12 REZ", 135},   // 45
    {"ZoomPeaks 12 REZ", 145},    // 46
    {"BassOMatic 12 REZ", 159},   // 47
    {"ToothComb 12 REZ", 161},    // 48
    {"FuzziFace 12 DST", 138},    // 49
    {"KlangKling 12 SFX", 163},   // 50
};

constexpr CodeEntry kCordSourceCodes[] = {
    {" Off", 0},                         // 0
    {" Crossfade Random)", 4},           // 1
    {" Key 0...127", 8},                 // 2
    {" Key -64...+63", 9},               // 3
    {" Velocity 0...127", 10},           // 4
    {" Velocity -64...+63", 11},         // 5
    {" Velocity -127...0", 12},          // 6
    {" Release Velocity", 13},           // 7
    {" Gate", 14},                       // 8
    {" Pitch Wheel", 16},                // 9
    {" Mod Wheel", 17},                  // 10
    {" Pressure", 18},                   // 11
    {" Pedal", 19},                      // 12
    {" MidiA ", 20},                     // 13
    {" MidiB", 21},                      // 14
    {" Foot Switch 1", 22},              // 15
    {" Foot Switch 2", 23},              // 16
    {" Flip-Flop Foot Switch 1", 24},    // 17
    {" Flip-Flop Foot Switch 2", 25},    // 18
    {" Midi Volume controller 7", 26},   // 19
    {" Midi Pan controller 10", 27},     // 20
    {" MidiC", 32},                      // 21
    {" MidiD", 33},                      // 22
    {" MidiE", 34},                      // 23
    {" MidiF", 35},                      // 24
    {" MidiG", 36},                      // 25
    {" MidiH", 37},                      // 26
    {" Thumb", 38},                      // 27
    {" ThmFF", 39},                      // 28
    {" Key Glide", 48},                  // 29
    {" Volume Envelope 0...127", 72},    // 30
    {" Volume Envelope -64...+63", 73},  // 31
    {" Volume Envelope -127...0", 74},   // 32
    {" Filter Envelope 0...127", 80},    // 33
    {" Filter Envelope -64...+63", 81},  // 34
    {" Filter Envelope -127...0", 82},   // 35
    {" Aux Envelope 0...127", 88},       // 36
    {" Aux Envelope -64...+63", 89},     // 37
    {" Aux Envelope -127...0", 90},      // 38
    {" Lfo1+-", 96},                     // 39
    {" Lfo1+", 97},                      // 40
    {" White Noise", 98},                // 41
    {" Pink Noise", 99},                 // 42
    {" kRandom 1", 100},                 // 43
    {" kRandom 2", 101},                 // 44
    {" Lfo2+-", 104},                    // 45
    {" Lfo2+", 105},                     // 46
    {" Lag0in", 106},                    // 47
    {" Lag0", 107},                      // 48
    {" Lag1in", 108},                    // 49
    {" Lag1", 109},                      // 50
    {" PLogOut", 128},                   // 51
    {" PRampOut", 129},                  // 52
    {" Clock Double Whole Note", 144},   // 53
    {" Clock Whole Note", 145},          // 54
    {" Clock Half Note", 146},           // 55
    {" Clock Quarter Note", 147},        // 56
    {" Clock Eighth Note", 148},         // 57
    {" Clock Sixteenth Note", 149},      // 58
    {" Clock Octal Whole Note", 150},    // 59
    {" Clock Quad Whole Note", 151},     // 60
    {" DC Offset", 160},                 // 61
    {" Sum (Summing Amp)", 161},         // 62
    {" Switch", 162},                    // 63
    {" Abs (Absolute Value)", 163},      // 64
    {" Diode", 164},                     // 65
    {" FlipFlop", 165},                  // 66
    {" Quantiz (Quantizer)", 166},       // 67
    {" Gain4X", 167},                    // 68
};

constexpr CodeEntry kCordDestinationCodes[] = {
    {" Off", 0},                                        // 0
    {" KeySustain", 8},                                 // 1
    {" FinePtch", 47},                                  // 2
    {" Pitch", 48},                                     // 3
    {" Glide", 49},                                     // 4
    {" Chorus Amount", 50},                             // 5
    {" Chorus Position ITD", 51},                       // 6
    {" Sample Start", 52},                              // 7
    {" Sample Loop", 53},                               // 8
    {" Sample Retrigger", 54},                          // 9
    {" Filter Frequency", 56},                          // 10
    {" Filter Resonance", 57},                          // 11
    {" Amplifier Volume", 64},                          // 12
    {" Amplifier Pan", 65},                             // 13
    {" Amplifier Crossfade", 66},                       // 14
    {" Volume Envelope Rates", 72},                     // 15
    {" Volume Envelope Attack", 73},                    // 16
    {" Volume Envelope Decay", 74},                     // 17
    {" Volume Envelope Release", 75},                   // 18
    {" Filter Envelope Rates", 80},                     // 19
    {" Filter Envelope Attack", 81},                    // 20
    {" Filter Envelope Decay", 82},                     // 21
    {" Filter Envelope Release", 83},                   // 22
    {" Filter Envelope Trigger/Retrigger", 86},         // 23
    {" Aux Envelope Rates", 88},                        // 24
    {" Aux Envelope Attack", 89},                       // 25
    {" Aux Envelope Decay", 90},                        // 26
    {" Aux Envelope Release", 91},                      // 27
    {" AEnvTrig (Aux Envelope Trigger/Retrigger", 94},  // 28
    {" Lfo 1 Rate", 96},                                // 29
    {" Lfo 1 Trigger/Retrigger", 97},                   // 30
    {" Lfo 2 Rate", 104},                               // 31
    {" Lfo 2 Trigger/Retrigger", 105},                  // 32
    {" Lag0in", 106},                                   // 33
    {" Lag1in", 108},                                   // 34
    {" Sum (Summing Amp)", 161},                        // 35
    {" Switch", 162},                                   // 36
    {" Abs (Absolute Value)", 163},                     // 37
    {" Diode", 164},                                    // 38
    {" FlipFlop", 165},                                 // 39
    {" Quantize", 166},                                 // 40
    {" Gain4X", 167},                                   // 41
    {" C01Amt", 168},                                   // 42
    {" C02Amt", 169},                                   // 43
    {" C03Amt", 170},                                   // 44
    {" C04Amt", 171},                                   // 45
    {" C05Amt", 172},                                   // 46
    {" C06Amt", 173},                                   // 47
    {" C07Amt", 174},                                   // 48
    {" C08Amt", 175},                                   // 49
    {" C09Amt", 176},                                   // 50
    {" C10Amt", 177},                                   // 51
    {" C11Amt", 178},                                   // 52
    {" C12Amt", 179},                                   // 53
    {" C13Amt", 180},                                   // 54
    {" C14Amt", 181},                                   // 55
    {" C15Amt", 182},                                   // 56
    {" C16Amt", 183},                                   // 57
    {" C17Amt", 184},                                   // 58
    {" C18Amt", 185},                                   // 59
    {" C19Amt", 186},                                   // 60
    {" C20Amt", 187},                                   // 61
    {" C21Amt", 188},                                   // 62
    {" C22Amt", 189},                                   // 63
    {" C23Amt", 190},                                   // 64
    {" C24Amt", 191},                                   // 65
};

template <std::size_t Count>
constexpr std::array<std::string_view, Count> ItemsOf(const CodeEntry (&table)[Count]) {
  std::array<std::string_view, Count> items{};
  for (std::size_t position = 0; position < Count; ++position) {
    items[position] = table[position].item;
  }
  return items;
}

constexpr auto kFilterTypeItems = ItemsOf(kFilterTypeCodes);
constexpr auto kCordSourceItems = ItemsOf(kCordSourceCodes);
constexpr auto kCordDestinationItems = ItemsOf(kCordDestinationCodes);

}  // namespace

std::span<const CodeEntry> filterTypeCodes() {
  return kFilterTypeCodes;
}
std::span<const CodeEntry> cordSourceCodes() {
  return kCordSourceCodes;
}
std::span<const CodeEntry> cordDestinationCodes() {
  return kCordDestinationCodes;
}

ItemList FilterTypeItems() {
  return kFilterTypeItems;
}
ItemList CordSourceItems() {
  return kCordSourceItems;
}
ItemList CordDestinationItems() {
  return kCordDestinationItems;
}

std::optional<int> CodeAt(std::span<const CodeEntry> table, int position) {
  if (position < 0 || static_cast<std::size_t>(position) >= table.size()) {
    return std::nullopt;
  }
  return table[static_cast<std::size_t>(position)].code;
}

std::optional<int> PositionOfCode(std::span<const CodeEntry> table, int code) {
  const auto last = std::find_if(table.rbegin(), table.rend(),
                                 [code](const CodeEntry& entry) { return entry.code == code; });
  if (last == table.rend()) {
    return std::nullopt;
  }
  return static_cast<int>(std::distance(last, table.rend()) - 1);
}

}  // namespace morvane::parammap
