#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include "midi/driver.h"

namespace morvane::midi {

class GuiThread;

// Message a port's handler receives when a record was lost to a full ring.
inline constexpr std::uint32_t kOverflowMessage = 0x400;

// A port's hidden window: driver threads post to it without blocking or allocating,
// its handler runs on the GUI thread. Counts are kept: one kMimData per PostInput,
// one kOverflowMessage per PostOverflow, and kMomDone once per header in the order
// the headers were posted.
class NotifyWindow {
 public:
  using Handler = std::function<void(std::uint32_t message, MidiHeader* header)>;

  NotifyWindow(GuiThread& gui, Handler handler);
  ~NotifyWindow();
  NotifyWindow(const NotifyWindow&) = delete;
  NotifyWindow& operator=(const NotifyWindow&) = delete;

  // Any thread.
  void PostInput() noexcept;
  // header is the lost SysEx buffer, or null for a lost short message.
  void PostOverflow(MidiHeader* header) noexcept;
  void PostDone(MidiHeader& header) noexcept;
  // The device went away; reason is the driver's result code. Handled after everything
  // posted before it, as kDeviceLost with no header; LostReason() tells the reason.
  void PostLost(MmResult reason) noexcept;

  // GUI thread: runs the handler for everything posted so far. When a handler
  // raises, what it had not reached stays posted for the next Dispatch. A handler
  // may destroy the window (its port): Dispatch then returns without touching it.
  void Dispatch();
  // GUI thread: forgets posted input and overflow notifications; returns the lost
  // buffers so that their owner can release them.
  MidiHeader* DiscardInput() noexcept;
  MidiHeader* TakeDone() noexcept;
  // GUI thread: forgets a loss posted for a device that has been closed since.
  void ForgetLost() noexcept;
  MmResult LostReason() const noexcept { return lostReason_.load(std::memory_order_acquire); }

 private:
  static void Push(std::atomic<MidiHeader*>& list, MidiHeader& header) noexcept;
  static MidiHeader* TakeInOrder(std::atomic<MidiHeader*>& list) noexcept;
  static MidiHeader* TakeWithBacklog(std::atomic<MidiHeader*>& list, MidiHeader*& backlog) noexcept;
  // False when the window was destroyed by the handler.
  bool DispatchHeaders(std::atomic<MidiHeader*>& list, MidiHeader*& backlog, std::uint32_t message);
  bool DispatchCount(std::atomic<std::uint32_t>& count, std::uint32_t message);
  // Runs the handler, keeping what it raised in error; false when it destroyed the window.
  bool Handle(std::uint32_t message, MidiHeader* header, std::exception_ptr& error);

  GuiThread& gui_;
  Handler handler_;
  std::atomic<std::uint32_t> inputs_{0};
  std::atomic<std::uint32_t> shortOverflows_{0};
  std::atomic<MidiHeader*> lostBuffers_{nullptr};
  std::atomic<MidiHeader*> done_{nullptr};
  std::atomic<bool> lost_{false};
  std::atomic<MmResult> lostReason_{kNoError};
  // GUI thread only: taken headers, oldest first, that a raising handler left unhandled.
  MidiHeader* doneBacklog_ = nullptr;
  MidiHeader* lostBacklog_ = nullptr;
  // Set while the handler runs: the destructor marks it so the caller stops.
  bool* destroyed_ = nullptr;
};

}  // namespace morvane::midi
