#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "midi/mm_result.h"

namespace morvane::midi {

// Result codes for the texts a MIDI system reports, so that a port can ask for the
// text of a failure like for any other result. Each distinct text has one code,
// above the platform's codes.
class FailureTexts {
 public:
  static constexpr MmResult kFirstCode = 0x10000;

  // Backends seen as one driver each take codes of their own, from firstCode on.
  explicit FailureTexts(MmResult firstCode = kFirstCode) : firstCode_(firstCode) {}

  MmResult Code(const std::string& text);
  // False when the code is not one of these.
  bool Text(MmResult code, std::string& text) const;

 private:
  MmResult firstCode_;
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

}  // namespace morvane::midi
