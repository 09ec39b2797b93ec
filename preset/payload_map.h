#pragma once

#include <cstddef>
#include <optional>

#include "module_messages.h"

namespace morvane::preset {

// Where a two-byte value of the payload belongs: layer 0 for the common block, 1..4 for a layer.
struct ParamLocation {
  int layer = 0;
  ParamNumber param;
};

// The parameter whose value starts at this even payload offset (16..1490); none
// for the name and for offsets outside the payload.
std::optional<ParamLocation> ParamAtOffset(std::size_t offset);

}  // namespace morvane::preset
