#include "engine/note_name.h"

#include <array>

namespace morvane::engine {

std::string NoteName(int note) {
  static constexpr int kSemitonesPerOctave = 12;
  static constexpr std::array<const char*, kSemitonesPerOctave> kLetters{
      "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  const int octave = note / kSemitonesPerOctave - 1;
  const int remainder = note % kSemitonesPerOctave;
  // A negative remainder falls to "B", as every remainder not listed does.
  const char* letter = remainder >= 0 ? kLetters[remainder] : kLetters.back();
  return std::string(letter) + std::to_string(octave) + " ";
}

}  // namespace morvane::engine
