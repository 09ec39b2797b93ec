#pragma once

#include <optional>
#include <vector>

#include "param_map.h"
#include "preset/tmrv.h"

namespace morvane::parammap {

// One value of a preset that a control of the window edits: a value control on a layer (0 =
// the preset-wide block, 1..4), or the layer's instrument (control null), whose list holds
// instrumentCount items.
struct ValueSlot {
  const ControlSpec* control = nullptr;
  int layer = 0;
};

// The part of a preset that randomize changes.
enum class RandomScope {
  ThisLayer,   // the Layer page's values and instrument of the shown layer
  AllLayers,   // the Layer page's values and instruments of layers 1 to 4
  Common,      // the Common page
  Patchcords,  // the Patchcords page of the shown layer
};

// The slots of scope, with shownLayer 1..4; instruments only when withInstrument.
std::vector<ValueSlot> SlotsOf(RandomScope scope, int shownLayer, bool withInstrument);
// Every slot of the Common, Layer and Patchcords pages on their layers, instruments included.
std::vector<ValueSlot> AllSlots();

int ReadSlot(preset::tMrv& image, const ValueSlot& slot);
void WriteSlot(preset::tMrv& image, const ValueSlot& slot, int value);
// The parameter number that an edit of the slot sends, as (low, high).
int SlotParameter(const ValueSlot& slot);

// How a slot's stored value reads: a numeric position, or an item of a list. A control whose
// items cover only the low end of its range (a delay's tempo divisions before its
// milliseconds) holds items below numberFrom and numbers from it.
struct SlotRange {
  int min;
  int max;
  int numberFrom;  // max + 1 for a pure list
  bool coded;      // stores the code of its position's item, not the position
};
SlotRange RangeOf(const ValueSlot& slot, int instrumentCount);

// The position of a stored value within the slot's range, or nullopt where no position shows
// it (a value outside the range, a code at no position).
std::optional<int> PositionOf(const ValueSlot& slot, int instrumentCount, int storedValue);
// The value stored for a position: its code for a coded control; nullopt where the position
// carries no code.
std::optional<int> StoredFor(const ValueSlot& slot, int position);

}  // namespace morvane::parammap
