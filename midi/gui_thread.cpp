#include "midi/gui_thread.h"

#include <algorithm>

#ifdef __linux__
#include <semaphore.h>

#include <cerrno>
#include <ctime>
#else
#include <semaphore>
#endif

#include "midi/notify_window.h"

namespace morvane::midi {

void GuiThread::Register(NotifyWindow* window) {
  windows_.push_back(window);
}

void GuiThread::Unregister(NotifyWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void GuiThread::Dispatch() {
  wakePending_.exchange(false, std::memory_order_seq_cst);
  // A handler may destroy a port, and with it its window.
  const std::vector<NotifyWindow*> windows = windows_;
  try {
    for (NotifyWindow* window : windows) {
      if (std::find(windows_.begin(), windows_.end(), window) != windows_.end()) {
        window->Dispatch();
      }
    }
  } catch (...) {
    // A handler raised: what is still posted is dispatched on the next wake-up.
    Wake();
    throw;
  }
}

// A counting semaphore that any thread may post to without blocking. On Linux the
// POSIX one: the standard library's timed wait there can miss a post and sleep on.
#ifdef __linux__
class QueuedGuiThread::Wakes {
 public:
  Wakes() { sem_init(&semaphore_, 0, 0); }
  ~Wakes() { sem_destroy(&semaphore_); }
  void Post() noexcept { sem_post(&semaphore_); }
  bool TryWait() noexcept { return sem_trywait(&semaphore_) == 0; }
  bool WaitFor(std::chrono::milliseconds timeout) noexcept {
    constexpr long kNanosPerSecond = 1000000000;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count();
    deadline.tv_sec += static_cast<time_t>(nanos / kNanosPerSecond);
    deadline.tv_nsec += static_cast<long>(nanos % kNanosPerSecond);
    if (deadline.tv_nsec >= kNanosPerSecond) {
      deadline.tv_nsec -= kNanosPerSecond;
      ++deadline.tv_sec;
    }
    for (;;) {
      if (sem_clockwait(&semaphore_, CLOCK_MONOTONIC, &deadline) == 0) {
        return true;
      }
      if (errno != EINTR) {
        return false;
      }
    }
  }

 private:
  sem_t semaphore_{};
};
#else
class QueuedGuiThread::Wakes {
 public:
  void Post() noexcept { semaphore_.release(); }
  bool TryWait() noexcept { return semaphore_.try_acquire(); }
  bool WaitFor(std::chrono::milliseconds timeout) noexcept {
    return semaphore_.try_acquire_for(timeout);
  }

 private:
  std::counting_semaphore<> semaphore_{0};
};
#endif

QueuedGuiThread::QueuedGuiThread() : wakes_(std::make_unique<Wakes>()) {}

QueuedGuiThread::~QueuedGuiThread() = default;

void QueuedGuiThread::RequestDispatch() noexcept {
  wakes_->Post();
}

bool QueuedGuiThread::PumpOnce(std::chrono::milliseconds timeout) {
  if (!wakes_->WaitFor(timeout)) {
    return false;
  }
  Dispatch();
  return true;
}

void QueuedGuiThread::PumpPending() {
  while (wakes_->TryWait()) {
  }
  Dispatch();
}

bool QueuedGuiThread::PumpUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    PumpOnce(left);
  }
  return true;
}

}  // namespace morvane::midi
