#include "midi/failure_texts.h"

#include <algorithm>

namespace morvane::midi {

MmResult FailureTexts::Code(const std::string& text) {
  std::lock_guard lock(mutex_);
  auto found = std::find(texts_.begin(), texts_.end(), text);
  if (found == texts_.end()) {
    found = texts_.insert(texts_.end(), text);
  }
  return firstCode_ + static_cast<MmResult>(found - texts_.begin());
}

bool FailureTexts::Text(MmResult code, std::string& text) const {
  std::lock_guard lock(mutex_);
  if (code < firstCode_ || code - firstCode_ >= texts_.size()) {
    return false;
  }
  text = texts_[code - firstCode_];
  return true;
}

}  // namespace morvane::midi
