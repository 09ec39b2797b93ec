#pragma once

#include <string>

namespace morvane::midi {

// libjack prints its errors and notices on the terminal (a missing server alone
// gives five lines). These hooks take them instead: the latest error is kept for the
// detail of a failure, and they reach the terminal only when JACK was asked for by
// name (MORVANE_MIDI_API=jack).
class JackLog {
 public:
  // Sets libjack's hooks, before any client; the latest call decides whether they echo.
  static void Install(bool echo);
  // The latest error libjack reported, or empty.
  static std::string LatestError();
};

}  // namespace morvane::midi
