#include "simulated_module.h"

#include <algorithm>
#include <array>

#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "preset/module_messages.h"
#include "preset/preset_errors.h"
#include "preset/value_codec.h"

namespace morvane::sim {

namespace {

using namespace morvane::preset;

constexpr std::size_t kCommandOffset = kMessageHead.size();
constexpr std::size_t kEditLowOffset = 7;
constexpr std::size_t kEditHighOffset = 8;
constexpr std::size_t kEditValueOffset = 9;
constexpr std::size_t kRequestPresetOffset = 7;
constexpr std::size_t kCopyFirstValueOffset = 6;
constexpr std::size_t kValueSize = 2;
constexpr std::size_t kMuteLayerOffset = 6;
constexpr std::uint8_t kLastNameCharLow = kFirstNameCharLow + kNameSize - 1;

// What a noisy MIDI cable carries besides the answer: clock and active sensing, another
// maker's SysEx and a universal one, none of a size that a dump message has.
constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr std::array<std::uint8_t, 7> kOtherDeviceMessage{0xF0, 0x7D, 0x01, 0x02, 0x03, 0x04, 0xF7};
constexpr std::array<std::uint8_t, 6> kUniversalMessage{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
// The message of a dump that a real-time byte splits; another device's SysEx follows the one
// after it.
constexpr std::size_t kNoisyPacket = 2;

int ValueAt(const Message& message, std::size_t offset) {
  return DecodeValue(message[offset], message[offset + 1]);
}

bool HasCommand(const Message& message, std::span<const std::uint8_t> command) {
  return message.size() >= kCommandOffset + command.size() &&
         std::equal(command.begin(), command.end(), message.begin() + kCommandOffset);
}

bool IsLayerIndex(int layerIndex) {
  return layerIndex >= 0 && layerIndex < kLayerCount;
}

std::size_t LayerBlockOffset(int layerIndex) {
  return kCommonBlockSize + kLayerBlockSize * static_cast<std::size_t>(layerIndex);
}

}  // namespace

SimulatedModule::SimulatedModule() {
  editBuffer_.LoadPresetFromBytes(BuildInitialPreset());
  userPresets_.fill(editBuffer_);
}

const tMrv& SimulatedModule::Preset(int presetNumber) const {
  if (presetNumber == kEditBufferPreset) {
    return editBuffer_;
  }
  return userPresets_.at(static_cast<std::size_t>(presetNumber));
}

tMrv* SimulatedModule::PresetOrNull(int presetNumber) {
  if (presetNumber == kEditBufferPreset) {
    return &editBuffer_;
  }
  if (presetNumber >= 0 && presetNumber < kUserPresetCount) {
    return &userPresets_[static_cast<std::size_t>(presetNumber)];
  }
  return nullptr;
}

std::vector<Message> SimulatedModule::Receive(std::span<const std::uint8_t> bytes) {
  std::vector<Message> messages;
  for (Reply& reply : ReceiveTimed(bytes)) {
    messages.push_back(std::move(reply.bytes));
  }
  return messages;
}

std::vector<Reply> SimulatedModule::ReceiveTimed(std::span<const std::uint8_t> bytes) {
  std::vector<Message> messages;
  parser_.Feed(bytes, messages);
  std::vector<Reply> replies;
  for (const Message& message : messages) {
    switch (Apply(message, replies)) {
      case Outcome::kApplied:
        ++applied_;
        break;
      case Outcome::kMalformed:
        ++malformed_;
        break;
      case Outcome::kUnknown:
        ++unknown_;
        break;
    }
  }
  return replies;
}

SimulatedModule::Outcome SimulatedModule::Apply(const Message& message,
                                                std::vector<Reply>& replies) {
  if (message.front() != kSysexStart) {
    // Notes and controllers play the sound; they change nothing the editor sees.
    return Outcome::kApplied;
  }
  if (message.size() < kMessageHead.size() + 1 ||
      !std::equal(kMessageHead.begin(), kMessageHead.end(), message.begin())) {
    return Outcome::kUnknown;
  }
  if (dumpPending_) {
    if (message.size() == kFullPacketSize || message.size() == kFinalPacketSize) {
      return ContinueDump(message);
    }
    // Anything else ends the dump that was coming in; the message itself still counts.
    dumpPending_ = false;
    ++malformed_;
  }
  if (message.size() == kHeaderMessageSize) {
    pendingDump_ = message;
    pendingPackets_ = 0;
    dumpPending_ = true;
    return Outcome::kApplied;
  }
  if (HasCommand(message, kParameterEditCommand)) {
    return message.size() == kParameterEditSize ? ApplyParameterEdit(message) : Outcome::kMalformed;
  }
  if (HasCommand(message, kDumpRequestCommand)) {
    return message.size() == kDumpRequestSize ? ApplyDumpRequest(message, replies)
                                              : Outcome::kMalformed;
  }
  switch (message[kCommandOffset]) {
    case kLayerCopyCommand:
      return message.size() == kLayerCopySize ? ApplyLayerCopy(message) : Outcome::kMalformed;
    case kLayerMuteCommand:
      return message.size() == kLayerMuteSize ? ApplyMute(message, true) : Outcome::kMalformed;
    case kLayerUnmuteCommand:
      return message.size() == kLayerMuteSize ? ApplyMute(message, false) : Outcome::kMalformed;
    default:
      return Outcome::kUnknown;
  }
}

SimulatedModule::Outcome SimulatedModule::ApplyParameterEdit(const Message& message) {
  const std::uint8_t low = message[kEditLowOffset];
  const std::uint8_t high = message[kEditHighOffset];
  const int value = ValueAt(message, kEditValueOffset);
  if (high == kFixedRoleHigh && low == kPresetSelectLow) {
    if (PresetOrNull(value) == nullptr) {
      return Outcome::kMalformed;
    }
    selectedPreset_ = value;
    return Outcome::kApplied;
  }
  if (high == kFixedRoleHigh && low == kLayerSelectLow) {
    if (value != kCommonLayerIndex && !IsLayerIndex(value)) {
      return Outcome::kMalformed;
    }
    selectedLayerIndex_ = value;
    return Outcome::kApplied;
  }
  tMrv& image = *PresetOrNull(selectedPreset_);
  if (high == kFixedRoleHigh && low >= kFirstNameCharLow && low <= kLastNameCharLow) {
    image.Seek(low - kFirstNameCharLow);
    image.WriteByte(message[kEditValueOffset]);
    return Outcome::kApplied;
  }
  const int layer = selectedLayerIndex_ == kCommonLayerIndex ? 0 : selectedLayerIndex_ + 1;
  try {
    image.WriteParam(GroupOf(high), low, layer, value);
  } catch (const PresetError&) {
    return Outcome::kMalformed;
  }
  return Outcome::kApplied;
}

SimulatedModule::Outcome SimulatedModule::ApplyDumpRequest(const Message& message,
                                                           std::vector<Reply>& replies) {
  const int presetNumber = ValueAt(message, kRequestPresetOffset);
  const tMrv* stored = PresetOrNull(presetNumber);
  if (stored == nullptr) {
    return Outcome::kMalformed;
  }
  if (presetNumber != kEditBufferPreset && silent_.at(static_cast<std::size_t>(presetNumber))) {
    return Outcome::kApplied;
  }
  const auto own = answerFor_.find(presetNumber);
  const AnswerBehaviour& behaviour = own != answerFor_.end() ? own->second : answer_;
  tMrv answer = *stored;
  answer.SetPresetNumber(behaviour.presetNumber.value_or(presetNumber));
  Answer(answer.BuildDump(), behaviour, replies);
  return Outcome::kApplied;
}

void SimulatedModule::Answer(const Message& dump, const AnswerBehaviour& behaviour,
                             std::vector<Reply>& replies) {
  const std::size_t sent =
      behaviour.cutOffAfter == 0 ? dump.size() : std::min(behaviour.cutOffAfter, dump.size());
  std::vector<Message> parts = SplitDump(std::span(dump).first(sent));
  if (behaviour.headerLost && !parts.empty()) {
    parts.erase(parts.begin());
  }
  std::erase_if(parts, [](const Message& part) { return part.empty(); });
  const std::size_t firstReply = replies.size();
  for (std::size_t index = 0; index < parts.size(); ++index) {
    Message& part = parts[index];
    if (!behaviour.noise) {
      replies.push_back({std::move(part)});
      continue;
    }
    if (index == 0) {
      replies.push_back({Message{kTimingClock}});
      replies.push_back({Message(kOtherDeviceMessage.begin(), kOtherDeviceMessage.end())});
    }
    if (index == kNoisyPacket && part.size() > 2) {
      const auto middle = part.begin() + static_cast<std::ptrdiff_t>(part.size() / 2);
      replies.push_back({Message(part.begin(), middle)});
      replies.push_back({Message{kActiveSensing}});
      replies.push_back({Message(middle, part.end())});
    } else {
      replies.push_back({std::move(part)});
    }
    if (index == kNoisyPacket + 1) {
      replies.push_back({Message(kUniversalMessage.begin(), kUniversalMessage.end())});
    }
  }
  if (behaviour.noise) {
    replies.push_back({Message{kTimingClock}});
  }
  if (replies.size() > firstReply) {
    replies[firstReply].delay = AnswerDelay(behaviour);
  }
}

std::chrono::microseconds SimulatedModule::AnswerDelay(const AnswerBehaviour& behaviour) {
  std::chrono::milliseconds delay = behaviour.delay;
  if (behaviour.jitter.count() > 0) {
    const auto spread = static_cast<int>(behaviour.jitter.count());
    delay += std::chrono::milliseconds(
        std::uniform_int_distribution<int>(-spread, spread)(jitterRandom_));
  }
  return std::max(std::chrono::microseconds(0),
                  std::chrono::duration_cast<std::chrono::microseconds>(delay));
}

SimulatedModule::Outcome SimulatedModule::ApplyLayerCopy(const Message& message) {
  const int sourcePreset = ValueAt(message, kCopyFirstValueOffset);
  const int sourceLayerIndex = ValueAt(message, kCopyFirstValueOffset + kValueSize);
  const int targetPreset = ValueAt(message, kCopyFirstValueOffset + 2 * kValueSize);
  const int targetLayerIndex = ValueAt(message, kCopyFirstValueOffset + 3 * kValueSize);
  tMrv* source = PresetOrNull(sourcePreset);
  tMrv* target = PresetOrNull(targetPreset);
  if (source == nullptr || target == nullptr || !IsLayerIndex(sourceLayerIndex) ||
      !IsLayerIndex(targetLayerIndex)) {
    return Outcome::kMalformed;
  }
  const auto from = source->View().subspan(LayerBlockOffset(sourceLayerIndex), kLayerBlockSize);
  const Bytes block(from.begin(), from.end());
  target->Seek(static_cast<std::ptrdiff_t>(LayerBlockOffset(targetLayerIndex)));
  target->WriteBuffer(block);
  return Outcome::kApplied;
}

SimulatedModule::Outcome SimulatedModule::ApplyMute(const Message& message, bool muted) {
  const int layerIndex = ValueAt(message, kMuteLayerOffset);
  if (!IsLayerIndex(layerIndex)) {
    return Outcome::kMalformed;
  }
  muted_[static_cast<std::size_t>(layerIndex)] = muted;
  return Outcome::kApplied;
}

SimulatedModule::Outcome SimulatedModule::ContinueDump(const Message& message) {
  const std::size_t expected =
      pendingPackets_ < kFullPacketCount ? kFullPacketSize : kFinalPacketSize;
  if (message.size() != expected) {
    dumpPending_ = false;
    return Outcome::kMalformed;
  }
  pendingDump_.insert(pendingDump_.end(), message.begin(), message.end());
  if (++pendingPackets_ < kPacketCount) {
    return Outcome::kApplied;
  }
  dumpPending_ = false;
  return StoreDump();
}

SimulatedModule::Outcome SimulatedModule::StoreDump() {
  const int presetNumber =
      DecodeValue(pendingDump_[kPresetNumberOffset], pendingDump_[kPresetNumberOffset + 1]);
  tMrv* target = PresetOrNull(presetNumber);
  if (target == nullptr) {
    return Outcome::kMalformed;
  }
  target->LoadPresetFromBytes(pendingDump_);
  return Outcome::kApplied;
}

std::vector<Message> SplitDump(std::span<const std::uint8_t> dump) {
  std::vector<Message> parts;
  std::size_t offset = 0;
  auto take = [&](std::size_t size) {
    const std::size_t end = std::min(offset + size, dump.size());
    parts.emplace_back(dump.begin() + static_cast<std::ptrdiff_t>(offset),
                       dump.begin() + static_cast<std::ptrdiff_t>(end));
    offset = end;
  };
  take(kHeaderMessageSize);
  for (std::size_t k = 0; k < kFullPacketCount; ++k) {
    take(kFullPacketSize);
  }
  take(kFinalPacketSize);
  return parts;
}

}  // namespace morvane::sim
