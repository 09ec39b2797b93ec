#pragma once

#include <string>

namespace morvane::engine {

// "C4 " for 60, "C-1 " for 0, "G9 " for 127: letter, octave, one blank. Numbers
// outside 0..127 are named by the same arithmetic (truncating division).
std::string NoteName(int note);

}  // namespace morvane::engine
