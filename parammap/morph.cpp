#include "morph.h"

#include "value_slots.h"

namespace morvane::parammap {

namespace {

// a + (b - a) * step / steps, rounded half away from a, in 64 bits.
int Between(int a, int b, MorphPosition position) {
  const long long distance = (static_cast<long long>(b) - a) * position.step;
  const long long half = position.steps / 2;
  const long long moved =
      distance >= 0 ? (distance + half) / position.steps : -((-distance + half) / position.steps);
  return static_cast<int>(a + moved);
}

bool InNumbers(const SlotRange& range, std::optional<int> position) {
  return !range.coded && position && *position >= range.numberFrom && *position <= range.max;
}

}  // namespace

preset::tMrv Morphed(const preset::tMrv& a, const preset::tMrv& b, MorphPosition position) {
  if (position.steps <= 0) {
    return a;
  }
  preset::tMrv first = a;
  preset::tMrv second = b;
  const bool pastMidpoint = 2LL * position.step >= position.steps;
  preset::tMrv result = pastMidpoint ? b : a;
  for (const ValueSlot& slot : AllSlots()) {
    if (slot.control == nullptr) {
      continue;
    }
    const SlotRange range = RangeOf(slot, 0);
    const int fromValue = ReadSlot(first, slot);
    const int toValue = ReadSlot(second, slot);
    if (fromValue == toValue || !InNumbers(range, PositionOf(slot, 0, fromValue)) ||
        !InNumbers(range, PositionOf(slot, 0, toValue))) {
      continue;
    }
    WriteSlot(result, slot, Between(fromValue, toValue, position));
  }
  return result;
}

}  // namespace morvane::parammap
