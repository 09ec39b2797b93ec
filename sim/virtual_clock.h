#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace morvane::sim {

// Simulated time for the editor's waits and the simulator's pauses: a wait ends when its
// owner runs it, never by the wall clock, so that tests and benchmarks pass seconds of module
// time at once. Waits end in the order of their end times, those that end together in the
// order they were started.
class VirtualClock {
 public:
  using Time = std::chrono::microseconds;

  // Any thread.
  void Start(Time after, std::function<void()> then) {
    std::lock_guard lock(mutex_);
    waits_.emplace(std::pair(now_ + after, ++sequence_), std::move(then));
  }
  // Moves the time to the end of the earliest wait and runs it; false when nothing waits.
  bool RunNext() {
    std::function<void()> then;
    {
      std::lock_guard lock(mutex_);
      if (waits_.empty()) {
        return false;
      }
      const auto first = waits_.begin();
      now_ = first->first.first;
      then = std::move(first->second);
      waits_.erase(first);
    }
    then();
    return true;
  }
  Time Now() const {
    std::lock_guard lock(mutex_);
    return now_;
  }

 private:
  mutable std::mutex mutex_;
  Time now_{0};
  std::uint64_t sequence_ = 0;
  std::multimap<std::pair<Time, std::uint64_t>, std::function<void()>> waits_;
};

}  // namespace morvane::sim
