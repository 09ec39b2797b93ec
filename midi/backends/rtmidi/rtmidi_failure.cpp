#include "midi/backends/rtmidi/rtmidi_failure.h"

#include <algorithm>

namespace morvane::midi {

void RtMidiFailure::Record(RtMidiError::Type type, const std::string& text, void* user) {
  if (type == RtMidiError::DEBUG_WARNING || user == nullptr) {
    return;
  }
  auto& failure = *static_cast<RtMidiFailure*>(user);
  if (failure.held_.test_and_set(std::memory_order_acquire)) {
    return;
  }
  const std::size_t length = std::min(text.size(), kTextLength - 1);
  std::copy_n(text.data(), length, failure.text_.data());
  failure.text_[length] = '\0';
  failure.ready_.store(true, std::memory_order_release);
}

bool RtMidiFailure::Take(std::string& text) {
  if (!ready_.load(std::memory_order_acquire)) {
    return false;
  }
  text = text_.data();
  ready_.store(false, std::memory_order_relaxed);
  held_.clear(std::memory_order_release);
  return true;
}

}  // namespace morvane::midi
