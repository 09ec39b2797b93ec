#pragma once

#include <optional>
#include <string_view>

#include "preset/module_messages.h"

namespace morvane::cli {

// The parameter and layer that the PARAM and --layer arguments of get and set name. PARAM is a
// decimal 14-bit number (1410), HH:LL in hexadecimal (0B:02), the name a value control shows
// before the colon of its caption (vol), or a name of the generic parameter list (Layer vol).
// A number goes to whatever layer is given (0 when none); a name belongs to the preset-wide
// block or to the layers, and the layer given must fit it. Throws with the reason.
struct ParamTarget {
  preset::ParamNumber param;
  int layer;
};
ParamTarget ResolveParam(std::string_view text, std::optional<int> layer);

}  // namespace morvane::cli
