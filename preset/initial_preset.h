#pragma once

#include "byte_stream.h"

namespace morvane::preset {

inline constexpr char kInitialPresetName[] = "Ini:New Preset  ";

// Our initial preset, the 1605 bytes of data/init.syx: the edit buffer's preset
// number, layer 1 playing instrument 1, the other layers instrument 0, neutral
// levels, full key and velocity ranges, filter off, the envelopes in time mode and
// sounding.
Bytes BuildInitialPreset();

}  // namespace morvane::preset
