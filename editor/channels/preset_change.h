#pragma once

#include "preset/tmrv.h"

namespace morvane::editor {

// A channel's image before and after a change of the whole preset.
struct TPresetChange {
  int channelIndex;
  preset::tMrv before;
  preset::tMrv after;
};

}  // namespace morvane::editor
