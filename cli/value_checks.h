#pragma once

#include <cstdint>
#include <string_view>

#include "param_names.h"

namespace morvane::cli {

// The numbers the tool refuses rather than wrap or store where they would not read back: each
// check throws with the number, what it is and the range that is taken.

struct NumberRange {
  int min;
  int max;
};

// What two 7-bit data bytes carry (the value encoding's own range).
NumberRange EncodableRange();
// What the image reads back as the value written (the decoding rule's range).
NumberRange ExactRange();

// number, when it lies in range; what names it in the message ("N", "--preset").
int NumberIn(std::int64_t number, NumberRange range, std::string_view what,
             std::string_view rangeMeaning);

// A value for set: one that reads back as itself, and, unless forced, inside the range of the
// window control that shows the parameter (the code range for a coded control, as parms.txt
// gives it). A parameter that no control shows is held to the first rule only.
int ValueToStore(std::int64_t value, const ParamTarget& target, bool force);

}  // namespace morvane::cli
