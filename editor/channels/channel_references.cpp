#include "channel_references.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "transfer_owner.h"

namespace morvane::editor {

namespace {

std::size_t IndexOf(int channelIndex) {
  return static_cast<std::size_t>(channelIndex);
}

}  // namespace

TChannelReferences::TChannelReferences(TChannelOwner& channels, TTransferOwner& transfers)
    : FChannels(channels) {
  const auto take = [this](int channelIndex) { Take(channelIndex); };
  transfers.observers.channelReceived.push_back(take);
  transfers.observers.channelSaved.push_back(take);
  channels.observers.presetLoaded.push_back(take);
  transfers.observers.channelSending.push_back([this](int channelIndex) {
    FSendingCount.at(IndexOf(channelIndex)) = FChannels.ChangeCount(channelIndex);
  });
  transfers.observers.channelSent.push_back([this](int channelIndex) {
    const std::optional<int> count = std::exchange(FSendingCount.at(IndexOf(channelIndex)), {});
    if (count == FChannels.ChangeCount(channelIndex)) {
      Take(channelIndex);
    }
  });
}

const std::optional<preset::tMrv>& TChannelReferences::Reference(int channelIndex) const {
  return FReferences.at(IndexOf(channelIndex));
}

const preset::tMrv& TChannelReferences::Required(int channelIndex) const {
  const std::optional<preset::tMrv>& reference = Reference(channelIndex);
  if (!reference) {
    throw std::runtime_error("Channel " + std::to_string(channelIndex + 1) +
                             " has no reference yet: it takes one when its preset is received, "
                             "loaded, saved or sent");
  }
  return *reference;
}

void TChannelReferences::BringBack(
    std::span<const std::optional<preset::tMrv>, kChannelCount> references) {
  std::ranges::copy(references, FReferences.begin());
}

void TChannelReferences::Take(int channelIndex) {
  FReferences.at(IndexOf(channelIndex)) = FChannels.Image(channelIndex);
}

}  // namespace morvane::editor
