#include "value_slots.h"

namespace morvane::parammap {

namespace {

constexpr int kLayerCount = 4;
constexpr int kCommonLayer = 0;
// The layer's instrument: parameter 0B:01, the first value of the layer's block.
constexpr int kInstrumentLow = 0x01;
constexpr int kInstrumentHigh = 0x0B;
constexpr int kParameterHighShift = 7;

void AddPage(Page page, int layer, std::vector<ValueSlot>& slots) {
  for (const ControlSpec& control : ControlsOn(page)) {
    slots.push_back({&control, layer});
  }
}

void AddLayer(int layer, bool withInstrument, std::vector<ValueSlot>& slots) {
  if (withInstrument) {
    slots.push_back({nullptr, layer});
  }
  AddPage(Page::Layer, layer, slots);
}

}  // namespace

std::vector<ValueSlot> SlotsOf(RandomScope scope, int shownLayer, bool withInstrument) {
  std::vector<ValueSlot> slots;
  switch (scope) {
    case RandomScope::ThisLayer:
      AddLayer(shownLayer, withInstrument, slots);
      break;
    case RandomScope::AllLayers:
      for (int layer = 1; layer <= kLayerCount; ++layer) {
        AddLayer(layer, withInstrument, slots);
      }
      break;
    case RandomScope::Common:
      AddPage(Page::Common, kCommonLayer, slots);
      break;
    case RandomScope::Patchcords:
      AddPage(Page::Patchcords, shownLayer, slots);
      break;
  }
  return slots;
}

std::vector<ValueSlot> AllSlots() {
  std::vector<ValueSlot> slots = SlotsOf(RandomScope::Common, 1, true);
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    AddLayer(layer, true, slots);
    AddPage(Page::Patchcords, layer, slots);
  }
  return slots;
}

int SlotParameter(const ValueSlot& slot) {
  return slot.control != nullptr ? slot.control->parameter
                                 : (kInstrumentHigh << kParameterHighShift) | kInstrumentLow;
}

int ReadSlot(preset::tMrv& image, const ValueSlot& slot) {
  const int parameter = SlotParameter(slot);
  const auto high = static_cast<std::uint8_t>(parameter >> kParameterHighShift);
  return image.ReadParam(preset::GroupOf(high), parameter & 0x7F, slot.layer);
}

void WriteSlot(preset::tMrv& image, const ValueSlot& slot, int value) {
  const int parameter = SlotParameter(slot);
  const auto high = static_cast<std::uint8_t>(parameter >> kParameterHighShift);
  image.WriteParam(preset::GroupOf(high), parameter & 0x7F, slot.layer, value);
}

SlotRange RangeOf(const ValueSlot& slot, int instrumentCount) {
  if (slot.control == nullptr) {
    return {0, instrumentCount - 1, instrumentCount, false};
  }
  const ControlSpec& control = *slot.control;
  const bool coded = !CodeTableOf(control).empty();
  const long long items = static_cast<long long>(ItemsAfterStartUp(control).size());
  const long long count = RangeCount(control.min, control.max);
  const int numberFrom =
      coded || items >= count ? control.max + 1 : control.min + static_cast<int>(items);
  return {control.min, control.max, numberFrom, coded};
}

std::optional<int> PositionOf(const ValueSlot& slot, int instrumentCount, int storedValue) {
  if (slot.control != nullptr) {
    return ShownPosition(*slot.control, storedValue);
  }
  if (storedValue < 0 || storedValue >= instrumentCount) {
    return std::nullopt;
  }
  return storedValue;
}

std::optional<int> StoredFor(const ValueSlot& slot, int position) {
  if (slot.control == nullptr) {
    return position;
  }
  const auto table = CodeTableOf(*slot.control);
  return table.empty() ? std::optional<int>(position) : CodeAt(table, position);
}

}  // namespace morvane::parammap
