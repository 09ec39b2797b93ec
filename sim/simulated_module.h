#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "preset/tmrv.h"
#include "sim/midi_stream_parser.h"

namespace morvane::sim {

using Message = std::vector<std::uint8_t>;

// How the module answers a dump request. The default answers at once, whole and right.
struct AnswerBehaviour {
  // The answer starts this long after the request, give or take up to jitter (evenly spread,
  // never before the request).
  std::chrono::milliseconds delay{0};
  std::chrono::milliseconds jitter{0};
  // When not 0, only this many bytes of the dump go out: the last message is cut off.
  std::size_t cutOffAfter = 0;
  // The preset number written into the answer in place of the one asked for.
  std::optional<int> presetNumber;
  // Real-time bytes and other devices' SysEx come before, between and inside the dump's
  // messages.
  bool noise = false;
  // The header message is lost on the way: only the seven packets come.
  bool headerLost = false;
};

// One piece of what the module sends: a whole message, or part of a SysEx (the part that comes
// before or after a real-time byte inside it, or the start of a message cut off). delay is the
// time before it starts, beyond the wire time of the pieces before it.
struct Reply {
  Message bytes;
  std::chrono::microseconds delay{0};
};

// A model of the Morvane as it answers the editor's messages: an edit buffer and
// sixteen user presets, the current preset and layer selection and the layer mutes.
// It holds no thread and no timing of its own; hosts (the virtual MIDI backend,
// morvane-sim) feed it bytes and deliver what it answers, paced or not.
class SimulatedModule {
 public:
  static constexpr int kUserPresetCount = 16;
  static constexpr int kLayerCount = 4;

  SimulatedModule();

  // Feeds raw MIDI bytes in any chunking (a whole 1605-byte dump, a single SysEx,
  // channel messages, stray bytes). Every message completed by these bytes is
  // applied; the messages the module sends back are returned, each one complete
  // (a dump request yields the header message and the seven data packets).
  std::vector<Message> Receive(std::span<const std::uint8_t> bytes);
  // Receive with the time each piece waits for, as the answer behaviour gives it.
  std::vector<Reply> ReceiveTimed(std::span<const std::uint8_t> bytes);

  // Time a message of this many bytes takes on the MIDI wire (31250 baud).
  static constexpr std::chrono::microseconds kByteTime{320};
  static std::chrono::microseconds WireTime(std::size_t byteCount) {
    return kByteTime * static_cast<std::int64_t>(byteCount);
  }

  // A silent user preset (0..15) is not sent when requested: the request is taken and nothing
  // comes back, as from a module that missed it.
  void SetSilent(int presetNumber, bool silent) {
    silent_.at(static_cast<std::size_t>(presetNumber)) = silent;
  }

  // How requests are answered: for every preset, or for one preset number (-1 the edit buffer),
  // which then goes before the behaviour for every preset until it is set to nothing.
  void SetAnswerBehaviour(const AnswerBehaviour& behaviour) { answer_ = behaviour; }
  void SetAnswerBehaviour(int presetNumber, const std::optional<AnswerBehaviour>& behaviour) {
    if (behaviour) {
      answerFor_[presetNumber] = *behaviour;
    } else {
      answerFor_.erase(presetNumber);
    }
  }
  // The jitter's numbers start over from seed.
  void SeedJitter(std::uint32_t seed) { jitterRandom_.seed(seed); }

  // The preset a preset number names: -1 the edit buffer, 0..15 a user preset.
  const preset::tMrv& Preset(int presetNumber) const;
  int SelectedPreset() const { return selectedPreset_; }
  // -1 while the common block is selected, else 0..3.
  int SelectedLayerIndex() const { return selectedLayerIndex_; }
  bool IsMuted(int layerIndex) const { return muted_.at(static_cast<std::size_t>(layerIndex)); }

  // Messages the module understood and applied.
  std::size_t AppliedCount() const { return applied_; }
  // Broken SysEx, wrong lengths, out-of-range numbers, incomplete dumps, stray bytes.
  std::size_t MalformedCount() const { return malformed_ + parser_.DiscardedCount(); }
  // Complete messages meant for another device or with a command the module lacks.
  std::size_t UnknownCount() const { return unknown_; }

 private:
  enum class Outcome { kApplied, kMalformed, kUnknown };

  Outcome Apply(const Message& message, std::vector<Reply>& replies);
  Outcome ApplyParameterEdit(const Message& message);
  Outcome ApplyDumpRequest(const Message& message, std::vector<Reply>& replies);
  void Answer(const Message& dump, const AnswerBehaviour& behaviour, std::vector<Reply>& replies);
  std::chrono::microseconds AnswerDelay(const AnswerBehaviour& behaviour);
  Outcome ApplyLayerCopy(const Message& message);
  Outcome ApplyMute(const Message& message, bool muted);
  Outcome ContinueDump(const Message& message);
  Outcome StoreDump();
  preset::tMrv* PresetOrNull(int presetNumber);

  preset::tMrv editBuffer_;
  std::array<preset::tMrv, kUserPresetCount> userPresets_;
  int selectedPreset_ = -1;
  int selectedLayerIndex_ = -1;
  std::array<bool, kLayerCount> muted_{};
  std::array<bool, kUserPresetCount> silent_{};
  AnswerBehaviour answer_;
  std::map<int, AnswerBehaviour> answerFor_;
  std::minstd_rand jitterRandom_;

  MidiStreamParser parser_;
  Message pendingDump_;
  std::size_t pendingPackets_ = 0;
  bool dumpPending_ = false;

  std::size_t applied_ = 0;
  std::size_t malformed_ = 0;
  std::size_t unknown_ = 0;
};

// Cuts a dump into the header message and the seven packets, each a message of its own.
std::vector<Message> SplitDump(std::span<const std::uint8_t> dump);

}  // namespace morvane::sim
