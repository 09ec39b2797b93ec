#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace morvane::engine {

// What one key of the computer keyboard plays. The numeric keypad reaches
// pmNote..pmMinor9th; the interval modes only through the Playmode property.
enum TPlayMode : std::uint8_t {
  pmNote,
  pmMajor,
  pmMinor,
  pmMajor7th,
  pmMinor7th,
  pmMinor7th5,
  pmDiminished,
  pmDominant7th,
  pmMajor9th,
  pmMinor9th,
  pm2nd,
  pm3rd,
  pm4th,
  pm5th,
  pm6th,
  pm7th,
  pm8th,
};

inline constexpr int kPlayModeCount = 17;
// The widest chord (the ninth chords) has five notes.
inline constexpr int kMaxChordNotes = 5;

bool IsValidPlayMode(int value);

// Semitones above the key's note, lowest first. Throws EEngineError for a value
// outside the 17 modes.
std::span<const int> PlayModeIntervals(TPlayMode mode);

// The status-bar text of a key that played `keyNote` in `mode`; `velocity` is
// the one sent, shown only by pmNote.
std::string PlayModeText(TPlayMode mode, int keyNote, int velocity);

}  // namespace morvane::engine
