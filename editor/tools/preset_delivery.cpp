#include "preset_delivery.h"

#include "channel_owner.h"
#include "parammap/preset_changes.h"

namespace morvane::editor {

namespace {

constexpr int kParameterHighShift = 7;
constexpr int kDataBits = 0x7F;

preset::ParamNumber ParamOf(const parammap::ValueSlot& slot) {
  const int parameter = parammap::SlotParameter(slot);
  return {static_cast<std::uint8_t>(parameter & kDataBits),
          static_cast<std::uint8_t>(parameter >> kParameterHighShift)};
}

}  // namespace

std::optional<std::vector<preset::Bytes>> EditStrings(
    const preset::tMrv& from, const preset::tMrv& to,
    const std::vector<parammap::ValueSlot>& valueSlots, int presetNumber) {
  const auto changes = parammap::SlotChanges(from, to, valueSlots);
  if (!changes || !parammap::EditsAreCheaper(changes->size())) {
    return std::nullopt;
  }
  std::vector<preset::Bytes> strings;
  for (const parammap::SlotValue& change : *changes) {
    strings.push_back(preset::PresetSelectMessage(presetNumber));
    strings.push_back(preset::LayerSelectMessage(preset::LayerIndexFor(change.slot.layer)));
    strings.push_back(preset::ParameterEditMessage(ParamOf(change.slot), change.value));
  }
  return strings;
}

void DeliverPreset(TChannelOwner& channels, int channelIndex, int presetNumber,
                   const preset::tMrv& after, const std::vector<parammap::ValueSlot>& valueSlots,
                   const QString& label, const QString& done) {
  const preset::tMrv before = channels.Image(channelIndex);
  const auto changes = parammap::SlotChanges(before, after, valueSlots);
  if (changes && parammap::EditsAreCheaper(changes->size())) {
    const TChannelOwner::TEditRecording recording(channels, channelIndex, label);
    for (const parammap::SlotValue& change : *changes) {
      channels.WriteParameter(channelIndex, ParamOf(change.slot), change.slot.layer, presetNumber,
                              change.value);
    }
    return;
  }
  channels.ReplaceAndSend(channelIndex, after, presetNumber, label, QString(), done);
}

}  // namespace morvane::editor
