#pragma once

#include <QObject>
#include <QPointer>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "edit_pacer.h"

namespace morvane::test_support {

// A clock for the paced edits that moves only when told to: the waits that its time passes end
// in the order of their times, as the timers would, and no test waits for real.
class FakeEditClock {
 public:
  FakeEditClock()
      : clock{[this] { return now_; },
              [this](int ms, QObject* context, std::function<void()> then) {
                waits_.push_back({now_ + ms, QPointer<QObject>(context), std::move(then)});
              }} {}
  FakeEditClock(const FakeEditClock&) = delete;  // the clock's functions hold this

  std::int64_t Now() const { return now_; }
  void AdvanceTo(std::int64_t time) {
    for (;;) {
      const auto next = std::min_element(
          waits_.begin(), waits_.end(), [](const Wait& a, const Wait& b) { return a.due < b.due; });
      if (next == waits_.end() || next->due > time) {
        break;
      }
      Wait wait = std::move(*next);
      waits_.erase(next);
      now_ = std::max(now_, wait.due);
      if (wait.context) {
        wait.then();
      }
    }
    now_ = std::max(now_, time);
  }
  void Advance(std::int64_t ms) { AdvanceTo(now_ + ms); }

  controls::TEditClock clock;

 private:
  struct Wait {
    std::int64_t due;
    QPointer<QObject> context;
    std::function<void()> then;
  };
  std::int64_t now_ = 0;
  std::vector<Wait> waits_;
};

}  // namespace morvane::test_support
