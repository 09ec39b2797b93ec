#pragma once

#include "midi/driver.h"

namespace morvane::midi {

// The process's device list: the virtual devices first (device 0 in each direction
// is "Morvane Simulator"), then the system's devices in the order the system backends
// list them (on Linux the ALSA sequencer's, then a JACK server's). Output id -1 (the
// mapper) is the system's first output, or the simulator when the system has none.
// Made on first use; lives until exit.
MidiDriver& PlatformDriver();

}  // namespace morvane::midi
