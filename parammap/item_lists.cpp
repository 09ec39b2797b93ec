#include "parammap/item_lists.h"

#include <algorithm>
#include <array>
#include <string>

namespace morvane::parammap {

namespace {

constexpr std::string_view kTempoDivisions[] = {
    "8/1", "4/1d",  "8/1t", "4/1",  "2/1d",  "4/1t",  "2/1", "1/1d", "2/1t",
    "1/1", "1/2d",  "1/1t", "1/2",  "1/4d",  "1/2t",  "1/4", "1/8d", "1/4t",
    "1/8", "1/16d", "1/8t", "1/16", "1/32d", "1/16t", "1/32"};

constexpr std::string_view kLfoShapes[] = {
    "random", "triangle", "sine",      "saw",        "square",     "33%pl",
    "25%pl",  "16%pl",    "12%pl",     "octave",     "5th+oct",    "sus4",
    "neener", "sine1,2",  "sine1,3,5", "sine+noise", "hemi-quaver"};

constexpr std::string_view kGlideCurves[] = {"lin",  "exp1", "exp2", "exp3", "exp4",
                                             "exp5", "exp6", "exp7", "exp8"};

constexpr std::string_view kSoloModes[] = {"off",    "mul trig", "m last", "m lo",     "m hi",
                                           "s last", "s lo",     "s hi",   "fngr glid"};

constexpr std::string_view kAssignGroups[] = {
    "poly all", "poly 16 A", "poly 16 B", "poly 8 A", "poly 8 B", "poly 8 C",
    "poly 8 D", "poly 4 A",  "poly 4 B",  "poly 4 C", "poly 4 D", "poly 2 A",
    "poly 2 B", "poly 2 C",  "poly 2 D",  "mono A",   "mono B",   "mono C",
    "mono D",   "mono E",    "mono F",    "mono G",   "mono H",   "mono I"};

constexpr std::string_view kOff[] = {"off"};
constexpr std::string_view kOffOn[] = {"off", "on"};
constexpr std::string_view kMonoBend[] = {"m"};
constexpr std::string_view kSync[] = {"key sync", "free run"};
constexpr std::string_view kEnvelopeModes[] = {"factory", "absTime", "clock"};
constexpr std::string_view kTimeClock[] = {"time", "clock"};

constexpr int kNoteCount = 128;
constexpr int kNotesPerOctave = 12;
constexpr int kLowestOctave = -2;
constexpr std::string_view kNoteLetters[kNotesPerOctave] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                            "F#", "G",  "G#", "A",  "A#", "B"};
// The layout's list lost the trailing space of these three names.
constexpr int kNotesWithoutSpace[] = {3, 8, 11};

struct NoteNames {
  std::array<std::string, kNoteCount> texts;
  std::array<std::string_view, kNoteCount> views;

  NoteNames() {
    for (int position = 0; position < kNoteCount; ++position) {
      std::string& text = texts[position];
      text = std::string(kNoteLetters[position % kNotesPerOctave]) +
             std::to_string(position / kNotesPerOctave + kLowestOctave);
      if (std::find(std::begin(kNotesWithoutSpace), std::end(kNotesWithoutSpace), position) ==
          std::end(kNotesWithoutSpace)) {
        text += ' ';
      }
    }
    for (int position = 0; position < kNoteCount; ++position) {
      views[position] = texts[position];
    }
  }
};

}  // namespace

ItemList TempoDivisionItems() {
  return kTempoDivisions;
}
ItemList LfoShapeItems() {
  return kLfoShapes;
}
ItemList GlideCurveItems() {
  return kGlideCurves;
}
ItemList SoloModeItems() {
  return kSoloModes;
}
ItemList AssignGroupItems() {
  return kAssignGroups;
}

ItemList NoteNameItems() {
  static const NoteNames names;
  return names.views;
}

ItemList OffItems() {
  return kOff;
}
ItemList OffOnItems() {
  return kOffOn;
}
ItemList MonoBendItems() {
  return kMonoBend;
}
ItemList SyncItems() {
  return kSync;
}
ItemList EnvelopeModeItems() {
  return kEnvelopeModes;
}
ItemList TimeClockItems() {
  return kTimeClock;
}

}  // namespace morvane::parammap
