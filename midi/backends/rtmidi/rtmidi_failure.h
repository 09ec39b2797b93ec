#pragma once

#include <RtMidi.h>

#include <array>
#include <atomic>
#include <string>

namespace morvane::midi {

// Catches what an RtMidi object reports through its error callback: with one set,
// RtMidi neither prints nor throws, so every call on the object is followed by Take.
// Record may run on RtMidi's own thread: it copies into a fixed buffer and never
// waits. One failure is kept until taken; later ones are dropped meanwhile.
class RtMidiFailure {
 public:
  RtMidiFailure() = default;
  RtMidiFailure(const RtMidiFailure&) = delete;
  RtMidiFailure& operator=(const RtMidiFailure&) = delete;

  void Attach(RtMidi& midi) { midi.setErrorCallback(&RtMidiFailure::Record, this); }
  // True, with the text, when a failure was reported since the last Take.
  bool Take(std::string& text);

 private:
  static void Record(RtMidiError::Type type, const std::string& text, void* user);

  static constexpr std::size_t kTextLength = 256;
  std::atomic_flag held_ = ATOMIC_FLAG_INIT;
  std::atomic<bool> ready_{false};
  std::array<char, kTextLength> text_{};
};

}  // namespace morvane::midi
