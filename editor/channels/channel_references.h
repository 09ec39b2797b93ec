#pragma once

#include <array>
#include <optional>
#include <span>

#include "channel_owner.h"
#include "preset/tmrv.h"

namespace morvane::editor {

class TTransferOwner;

// Each channel's reference: the version of its preset that it was last received from the
// module, loaded from a file or a library entry, saved to a file, or sent. It hears the transfer
// owner and the channel owner, and never changes an image itself. Initialize, Randomize, Morph,
// a bank and an edit leave it as it is: they make a new version, not a reference.
class TChannelReferences final {
 public:
  static constexpr int kChannelCount = kOwnedChannelCount;

  TChannelReferences(TChannelOwner& channels, TTransferOwner& transfers);
  TChannelReferences(const TChannelReferences&) = delete;
  TChannelReferences& operator=(const TChannelReferences&) = delete;

  // Nothing until the channel was first received, loaded, saved or sent.
  const std::optional<preset::tMrv>& Reference(int channelIndex) const;
  // Throws, naming the channel, when it has none yet.
  const preset::tMrv& Required(int channelIndex) const;
  const std::array<std::optional<preset::tMrv>, kChannelCount>& All() const { return FReferences; }
  // References brought back from elsewhere (a kept session).
  void BringBack(std::span<const std::optional<preset::tMrv>, kChannelCount> references);

 private:
  void Take(int channelIndex);

  TChannelOwner& FChannels;
  std::array<std::optional<preset::tMrv>, kChannelCount> FReferences;
  // The channel's change count when its preset was handed on for sending: a preset that changed
  // before the driver took it is not what went (Initialize, a randomize sent as a dump).
  std::array<std::optional<int>, kChannelCount> FSendingCount;
};

}  // namespace morvane::editor
