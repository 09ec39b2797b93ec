#include "randomize.h"

#include <algorithm>
#include <random>
#include <vector>

namespace morvane::parammap {

namespace {

// An even draw from 0..count-1. The standard's distributions differ between libraries; the
// engine's sequence does not, and this rejection keeps the draw even.
class TDraw {
 public:
  explicit TDraw(std::uint32_t seed) : FEngine(seed) {}

  int Below(int count) {
    const auto range = static_cast<std::uint64_t>(count);
    const std::uint64_t span = std::uint64_t{std::mt19937::max()} + 1;
    const std::uint64_t limit = span - span % range;
    std::uint64_t value = FEngine();
    while (value >= limit) {
      value = FEngine();
    }
    return static_cast<int>(value % range);
  }

  bool Chance(int percent) { return Below(kMaxAmountPercent) < percent; }

 private:
  std::mt19937 FEngine;
};

std::vector<int> ValidItems(const ValueSlot& slot, int from, int to) {
  std::vector<int> positions;
  for (int position = from; position <= to; ++position) {
    if (StoredFor(slot, position)) {
      positions.push_back(position);
    }
  }
  return positions;
}

int MoveItem(const ValueSlot& slot, const SlotRange& range, int position, int amount, TDraw& draw) {
  if (!draw.Chance(amount)) {
    return position;
  }
  std::vector<int> others = ValidItems(slot, range.min, range.numberFrom - 1);
  std::erase(others, position);
  if (others.empty()) {
    return position;
  }
  return others[static_cast<std::size_t>(draw.Below(static_cast<int>(others.size())))];
}

int MoveNumber(const SlotRange& range, int position, int amount, TDraw& draw) {
  const long long span = static_cast<long long>(range.max) - range.numberFrom;
  const long long reach = (span * amount + kMaxAmountPercent / 2) / kMaxAmountPercent;
  const long long lowest = std::max<long long>(range.numberFrom, position - reach);
  const long long highest = std::min<long long>(range.max, position + reach);
  return static_cast<int>(lowest + draw.Below(static_cast<int>(highest - lowest + 1)));
}

// Where a value no position shows stands before it moves: its number brought into the range,
// or for a list an item chosen evenly.
std::optional<int> StartOf(const ValueSlot& slot, const SlotRange& range, int stored, TDraw& draw) {
  if (!range.coded && range.numberFrom <= range.max) {
    return std::clamp(stored, range.numberFrom, range.max);
  }
  const std::vector<int> items = ValidItems(slot, range.min, range.max);
  if (items.empty()) {
    return std::nullopt;
  }
  return items[static_cast<std::size_t>(draw.Below(static_cast<int>(items.size())))];
}

}  // namespace

preset::tMrv Randomized(const preset::tMrv& image, const RandomizeRequest& request) {
  preset::tMrv result = image;
  const int amount = std::clamp(request.amountPercent, 0, kMaxAmountPercent);
  if (amount == 0) {
    return result;
  }
  TDraw draw(request.seed);
  const bool withInstrument = request.instrumentCount > 0;
  for (const ValueSlot& slot : SlotsOf(request.scope, request.shownLayer, withInstrument)) {
    const SlotRange range = RangeOf(slot, request.instrumentCount);
    const int stored = ReadSlot(result, slot);
    std::optional<int> position = PositionOf(slot, request.instrumentCount, stored);
    if (!position) {
      position = StartOf(slot, range, stored, draw);
    }
    if (!position) {
      continue;
    }
    const int moved = *position < range.numberFrom ? MoveItem(slot, range, *position, amount, draw)
                                                   : MoveNumber(range, *position, amount, draw);
    if (const std::optional<int> value = StoredFor(slot, moved); value && *value != stored) {
      WriteSlot(result, slot, *value);
    }
  }
  return result;
}

}  // namespace morvane::parammap
