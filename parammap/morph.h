#pragma once

#include "preset/tmrv.h"

namespace morvane::parammap {

// Where a morph stands between its two presets: step of steps (0 = A, steps = B).
struct MorphPosition {
  int step = 0;
  int steps = 1;
};

// The preset at position between a and b. A number that both presets hold within its
// control's range of numbers is interpolated and rounded to the nearer whole value, halves
// away from a; every other byte of the payload (the name, the instruments, list items, codes,
// values no control shows) is a's below the midpoint and b's from it. Position 0 is a and the
// last position b, byte for byte.
preset::tMrv Morphed(const preset::tMrv& a, const preset::tMrv& b, MorphPosition position);

}  // namespace morvane::parammap
