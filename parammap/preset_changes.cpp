#include "preset_changes.h"

#include <algorithm>

#include "preset/dump_layout.h"
#include "preset/module_messages.h"

namespace morvane::parammap {

namespace {

// Preset-select, layer-select and the parameter edit, each a parameter-edit message.
constexpr std::size_t kStringsPerEdit = 3;

}  // namespace

std::optional<std::vector<SlotValue>> SlotChanges(const preset::tMrv& from, const preset::tMrv& to,
                                                  const std::vector<ValueSlot>& valueSlots) {
  preset::tMrv before = from;
  preset::tMrv after = to;
  preset::tMrv rest = to;
  std::vector<SlotValue> changes;
  for (const ValueSlot& slot : valueSlots) {
    const int oldValue = ReadSlot(before, slot);
    const int newValue = ReadSlot(after, slot);
    if (oldValue != newValue) {
      changes.push_back({slot, newValue});
      WriteSlot(rest, slot, oldValue);
    }
  }
  if (!std::ranges::equal(rest.View(), before.View())) {
    return std::nullopt;
  }
  return changes;
}

std::size_t EditBytes(std::size_t valueCount) {
  return valueCount * kStringsPerEdit * preset::kParameterEditSize;
}

bool EditsAreCheaper(std::size_t valueCount) {
  return EditBytes(valueCount) <= preset::kDumpSize;
}

}  // namespace morvane::parammap
