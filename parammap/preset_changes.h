#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "preset/tmrv.h"
#include "value_slots.h"

namespace morvane::parammap {

// A value to write into a slot, as an edit sends it.
struct SlotValue {
  ValueSlot slot;
  int value;
};

// The valueSlots among valueSlots whose values differ from `from` to `to`, with to's values;
// nullopt when anything else of the payload differs (the name, a value no control edits), which
// only a dump carries.
std::optional<std::vector<SlotValue>> SlotChanges(const preset::tMrv& from, const preset::tMrv& to,
                                                  const std::vector<ValueSlot>& valueSlots);

// What reaching the module costs, in bytes on the wire: each value edited sends preset-select,
// layer-select and the edit, 36 bytes; a dump sends 1605. Edits go while they cost no more
// than the dump, so up to 44 values; more go as one dump.
std::size_t EditBytes(std::size_t valueCount);
bool EditsAreCheaper(std::size_t valueCount);

}  // namespace morvane::parammap
