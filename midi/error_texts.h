#pragma once

#include <string>

#include "midi/mm_result.h"

namespace morvane::midi {

// The text of a result code for the backends that have no platform text of their
// own. Returns kBadDeviceId-style failure (kInvalidParameter) for an unknown code.
MmResult StandardErrorText(MmResult code, std::string& text);

}  // namespace morvane::midi
