#pragma once

#include <cstdint>

#include "preset/tmrv.h"
#include "value_slots.h"

namespace morvane::parammap {

inline constexpr int kMaxAmountPercent = 100;

// What randomize is asked for: the scope (shownLayer 1..4 for the layer scopes), how far each
// value may move in percent of its range, the seed that repeats a result, and the length of
// the instrument list (0 leaves the instruments alone).
struct RandomizeRequest {
  RandomScope scope = RandomScope::ThisLayer;
  int shownLayer = 1;
  int amountPercent = 0;
  std::uint32_t seed = 0;
  int instrumentCount = 0;
};

// The image with every value of the scope moved at random; the name and everything outside
// the scope stay. A number moves by up to amount % of its range either way, within the
// range. A list value (an instrument, a mode, a cord's source or destination, a named item)
// moves, with a probability of amount %, to another of its valid items chosen evenly; a
// control that holds items below its numbers keeps a value among the items or among the
// numbers. A value that no position of its control shows is first brought into the range.
// The same request on the same image gives the same result on every platform.
preset::tMrv Randomized(const preset::tMrv& image, const RandomizeRequest& request);

}  // namespace morvane::parammap
