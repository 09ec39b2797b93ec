#pragma once

#include "parammap/param_map.h"

namespace morvane::parammap {

// The longer item lists of the value controls, in position order (item 0 belongs to Min).
ItemList TempoDivisionItems();  // 25: positions -25 to -1 of the delay and rate controls
ItemList LfoShapeItems();       // 17: positions -1 to 15
ItemList GlideCurveItems();     // 9
ItemList SoloModeItems();       // 9
ItemList AssignGroupItems();    // 24
ItemList NoteNameItems();       // 128: "C-2 " to "G8 "

// The short lists that stand in the layer table.
ItemList OffItems();           // "off": the preset knobs' -1
ItemList OffOnItems();         // "off", "on"
ItemList MonoBendItems();      // "m": the bend range's -1
ItemList SyncItems();          // "key sync", "free run"
ItemList EnvelopeModeItems();  // "factory", "absTime", "clock"
ItemList TimeClockItems();     // "time", "clock": positions 1 and 2

}  // namespace morvane::parammap
