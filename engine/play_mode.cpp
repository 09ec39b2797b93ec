#include "engine/play_mode.h"

#include <array>
#include <vector>

#include "engine/engine_error.h"
#include "engine/note_name.h"

namespace morvane::engine {
namespace {

struct TPlayModeInfo {
  std::vector<int> intervals;
  const char* suffix;  // the interval's name in the two-note modes, else empty
};

const std::array<TPlayModeInfo, kPlayModeCount>& PlayModeTable() {
  static const std::array<TPlayModeInfo, kPlayModeCount> table{{
      {{0}, ""},
      {{0, 4, 7, 12}, ""},
      {{0, 3, 7, 12}, ""},
      {{0, 4, 7, 11}, ""},
      {{0, 3, 7, 11}, ""},
      {{0, 3, 6, 11}, ""},
      {{0, 3, 6, 10}, ""},
      {{0, 4, 7, 10}, ""},
      {{0, 4, 7, 11, 14}, ""},
      {{0, 3, 7, 10, 14}, ""},
      {{0, 2}, "2nd"},
      {{0, 4}, "3rd"},
      {{0, 5}, "4th"},
      {{0, 7}, "5th"},
      {{0, 9}, "6th"},
      {{0, 11}, "7th"},
      {{0, 12}, ""},
  }};
  return table;
}

const TPlayModeInfo& InfoOf(TPlayMode mode) {
  if (!IsValidPlayMode(mode)) {
    throw EEngineError("Invalid play mode " + std::to_string(static_cast<int>(mode)));
  }
  return PlayModeTable()[mode];
}

}  // namespace

bool IsValidPlayMode(int value) {
  return value >= 0 && value < kPlayModeCount;
}

std::span<const int> PlayModeIntervals(TPlayMode mode) {
  return InfoOf(mode).intervals;
}

std::string PlayModeText(TPlayMode mode, int keyNote, int velocity) {
  const TPlayModeInfo& info = InfoOf(mode);
  if (mode == pmNote) {
    return NoteName(keyNote) + " (v" + std::to_string(velocity) + ")";
  }
  if (mode >= pm2nd && mode <= pm7th) {
    return NoteName(keyNote) + info.suffix;
  }
  std::string text;
  for (int interval : info.intervals) {
    text += NoteName(keyNote + interval);
  }
  return text;
}

}  // namespace morvane::engine
