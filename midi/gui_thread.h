#pragma once

// The thread that owns the ports (the GUI thread). Driver threads reach it only
// through Wake(), which never blocks, allocates or throws; the owner then calls
// Dispatch() on its own thread, which runs the ports' handlers and notifications.
//
// The application implements RequestDispatch() with its event loop. Tests and
// command-line tools use QueuedGuiThread below on the thread that owns the ports:
//
//   morvane::midi::QueuedGuiThread gui;
//   morvane::midi::TMidiInput input(gui);
//   ...
//   gui.PumpUntil([&] { return received == expected; }, std::chrono::seconds(5));
//
// PumpOnce waits for one wake-up and dispatches; PumpPending dispatches what has
// been posted without waiting.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace morvane::midi {

class NotifyWindow;

class GuiThread {
 public:
  GuiThread() = default;
  virtual ~GuiThread() = default;
  GuiThread(const GuiThread&) = delete;
  GuiThread& operator=(const GuiThread&) = delete;

  // Any thread.
  // Sequentially consistent so that a waker that sees a wake-up pending also has its
  // posting seen by the Dispatch that clears it.
  void Wake() noexcept {
    if (wakePending_.load(std::memory_order_seq_cst)) {
      return;
    }
    if (!wakePending_.exchange(true, std::memory_order_seq_cst)) {
      RequestDispatch();
    }
  }

  // Owner thread: runs what every registered window has been posted.
  void Dispatch();

  // Owner thread; NotifyWindow registers itself for its lifetime.
  void Register(NotifyWindow* window);
  void Unregister(NotifyWindow* window);

 protected:
  // Any thread, never blocks, allocates or throws: arrange for Dispatch() to run soon
  // on the owner thread.
  virtual void RequestDispatch() noexcept = 0;

 private:
  std::atomic<bool> wakePending_{false};
  std::vector<NotifyWindow*> windows_;
};

class QueuedGuiThread final : public GuiThread {
 public:
  QueuedGuiThread();
  ~QueuedGuiThread() override;

  // Waits up to timeout for a wake-up, then dispatches. False when none came.
  bool PumpOnce(std::chrono::milliseconds timeout);
  void PumpPending();
  // Pumps until done() holds (checked before each wait). False on timeout.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 protected:
  void RequestDispatch() noexcept override;

 private:
  class Wakes;
  std::unique_ptr<Wakes> wakes_;
};

}  // namespace morvane::midi
