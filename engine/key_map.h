#pragma once

#include <optional>

#include "engine/key_codes.h"

namespace morvane::engine {

// The two rows of the computer keyboard play 33 key offsets, 0 (Z) to 32
// (backslash); offsets 12 to 16 have two keys each.
inline constexpr int kKeyOffsetCount = 33;

// The key offset a virtual key plays, or nothing for a key outside the map.
std::optional<int> KeyOffsetOf(TVirtualKey key);

}  // namespace morvane::engine
