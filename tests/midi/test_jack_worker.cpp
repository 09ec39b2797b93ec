#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <semaphore>
#include <stdexcept>
#include <thread>
#include <vector>

#include "midi/backends/jack/jack_worker.h"

namespace morvane::midi {
namespace {

constexpr std::chrono::milliseconds kPatience{20000};
constexpr std::chrono::milliseconds kPollStep{5};

bool WaitFor(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

// A call that stays inside until the test lets it go, as libjack does on a stalled server.
struct Stall {
  std::binary_semaphore resume{0};
  std::atomic<bool> entered{false};
  void operator()() {
    entered = true;
    resume.acquire();
  }
};

TEST(JackWorker, RunsCallsInOrderAndRaisesWhatTheyRaise) {
  JackWorker worker;
  std::vector<int> order;
  ASSERT_TRUE(worker.Post([&] { order.push_back(1); }));
  ASSERT_TRUE(worker.Run([&] { order.push_back(2); }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_THROW(worker.Run([] { throw std::runtime_error("no memory"); }), std::runtime_error);
  EXPECT_FALSE(worker.Overdue());
  EXPECT_TRUE(worker.Run([] {}));
}

// A call that misses its deadline goes on; until it returns every call is refused without
// waiting, and what was queued behind it is not run. Once it returns its late step runs, and
// the worker takes calls again.
TEST(JackWorker, AStalledCallCostsOneDeadlineAndIsUndoneWhenItReturns) {
  auto stall = std::make_shared<Stall>();
  std::atomic<bool> undone{false};
  std::atomic<int> postedRuns{0};
  bool skipped = true;
  {
    JackWorker worker;
    EXPECT_FALSE(worker.Run([stall] { (*stall)(); }, [&] { undone = true; }));
    EXPECT_TRUE(stall->entered);
    EXPECT_TRUE(worker.Overdue());
    EXPECT_FALSE(worker.Run([&] { skipped = false; }));
    EXPECT_TRUE(worker.Post([&] { ++postedRuns; }));
    EXPECT_FALSE(undone);

    stall->resume.release();
    ASSERT_TRUE(WaitFor([&] { return !worker.Overdue(); })) << "the late call never returned";
    EXPECT_TRUE(undone);
    EXPECT_TRUE(worker.Run([] {}));
    EXPECT_EQ(postedRuns, 1);
  }
  EXPECT_TRUE(skipped) << "a call refused while the worker was overdue ran";
}

// A call queued behind a posted one that stalls is given up before it begins: it never runs,
// and neither does its late step.
TEST(JackWorker, ACallGivenUpBeforeItBeganNeverRuns) {
  auto stall = std::make_shared<Stall>();
  std::atomic<bool> ran{false};
  std::atomic<bool> undone{false};
  JackWorker worker;
  ASSERT_TRUE(worker.Post([stall] { (*stall)(); }));
  EXPECT_FALSE(worker.Run([&] { ran = true; }, [&] { undone = true; }));
  EXPECT_TRUE(worker.Overdue());
  stall->resume.release();
  ASSERT_TRUE(WaitFor([&] { return !worker.Overdue(); }));
  EXPECT_TRUE(worker.Run([] {}));
  EXPECT_FALSE(ran);
  EXPECT_FALSE(undone);
}

// A worker stuck in a call is let go when it is destroyed, without waiting for the call,
// which keeps what it uses and ends on its own.
TEST(JackWorker, AStuckWorkerIsLetGoWithoutWaitingForTheCall) {
  auto stall = std::make_shared<Stall>();
  std::atomic<bool> released{false};
  std::binary_semaphore testDone{0};
  // Ends a destructor that would wait for good, so that the test fails rather than hangs.
  std::thread releaser([&] {
    if (!testDone.try_acquire_for(kPatience)) {
      released = true;
    }
    stall->resume.release();
  });
  {
    JackWorker worker;
    EXPECT_FALSE(worker.Run([stall] { (*stall)(); }));
    worker.Post([] {});
  }
  EXPECT_FALSE(released) << "the worker waited for the call it was stuck in";
  testDone.release();
  releaser.join();
}

}  // namespace
}  // namespace morvane::midi
