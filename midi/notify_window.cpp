#include "midi/notify_window.h"

#include <exception>
#include <utility>

#include "midi/gui_thread.h"
#include "midi/mm_result.h"

namespace morvane::midi {

NotifyWindow::NotifyWindow(GuiThread& gui, Handler handler)
    : gui_(gui), handler_(std::move(handler)) {
  gui_.Register(this);
}

NotifyWindow::~NotifyWindow() {
  if (destroyed_ != nullptr) {
    *destroyed_ = true;
  }
  gui_.Unregister(this);
}

void NotifyWindow::PostInput() noexcept {
  inputs_.fetch_add(1, std::memory_order_seq_cst);
  gui_.Wake();
}

void NotifyWindow::PostOverflow(MidiHeader* header) noexcept {
  if (header != nullptr) {
    Push(lostBuffers_, *header);
  } else {
    shortOverflows_.fetch_add(1, std::memory_order_seq_cst);
  }
  gui_.Wake();
}

void NotifyWindow::PostDone(MidiHeader& header) noexcept {
  Push(done_, header);
  gui_.Wake();
}

void NotifyWindow::PostLost(MmResult reason) noexcept {
  // A loss always has a cause; a driver that gives none still lost the device.
  lostReason_.store(reason == kNoError ? kNoDriver : reason, std::memory_order_release);
  lost_.store(true, std::memory_order_seq_cst);
  gui_.Wake();
}

void NotifyWindow::ForgetLost() noexcept {
  lost_.store(false, std::memory_order_seq_cst);
}

void NotifyWindow::Push(std::atomic<MidiHeader*>& list, MidiHeader& header) noexcept {
  MidiHeader* head = list.load(std::memory_order_relaxed);
  do {
    header.postLink = head;
  } while (!list.compare_exchange_weak(head, &header, std::memory_order_seq_cst,
                                       std::memory_order_relaxed));
}

MidiHeader* NotifyWindow::TakeInOrder(std::atomic<MidiHeader*>& list) noexcept {
  MidiHeader* newestFirst = list.exchange(nullptr, std::memory_order_seq_cst);
  MidiHeader* oldestFirst = nullptr;
  while (newestFirst != nullptr) {
    MidiHeader* next = newestFirst->postLink;
    newestFirst->postLink = oldestFirst;
    oldestFirst = newestFirst;
    newestFirst = next;
  }
  return oldestFirst;
}

MidiHeader* NotifyWindow::TakeWithBacklog(std::atomic<MidiHeader*>& list,
                                          MidiHeader*& backlog) noexcept {
  MidiHeader* taken = TakeInOrder(list);
  if (backlog == nullptr) {
    return taken;
  }
  MidiHeader* last = backlog;
  while (last->postLink != nullptr) {
    last = last->postLink;
  }
  last->postLink = taken;
  return std::exchange(backlog, nullptr);
}

MidiHeader* NotifyWindow::TakeDone() noexcept {
  return TakeWithBacklog(done_, doneBacklog_);
}

MidiHeader* NotifyWindow::DiscardInput() noexcept {
  inputs_.store(0, std::memory_order_relaxed);
  shortOverflows_.store(0, std::memory_order_relaxed);
  return TakeWithBacklog(lostBuffers_, lostBacklog_);
}

bool NotifyWindow::Handle(std::uint32_t message, MidiHeader* header, std::exception_ptr& error) {
  bool destroyed = false;
  bool* const outer = std::exchange(destroyed_, &destroyed);
  try {
    handler_(message, header);
  } catch (...) {
    error = std::current_exception();
  }
  if (destroyed) {
    // An enclosing Dispatch of this window must stop too.
    if (outer != nullptr) {
      *outer = true;
    }
    return false;
  }
  destroyed_ = outer;
  return true;
}

bool NotifyWindow::DispatchHeaders(std::atomic<MidiHeader*>& list, MidiHeader*& backlog,
                                   std::uint32_t message) {
  backlog = TakeWithBacklog(list, backlog);
  while (backlog != nullptr) {
    MidiHeader* header = backlog;
    backlog = header->postLink;
    std::exception_ptr error;
    const bool alive = Handle(message, header, error);
    if (error) {
      std::rethrow_exception(error);
    }
    if (!alive) {
      return false;
    }
  }
  return true;
}

bool NotifyWindow::DispatchCount(std::atomic<std::uint32_t>& count, std::uint32_t message) {
  std::uint32_t left = count.exchange(0, std::memory_order_seq_cst);
  while (left > 0) {
    --left;
    std::exception_ptr error;
    const bool alive = Handle(message, nullptr, error);
    if (alive && error) {
      // The notification that raised has been delivered; the rest stay posted.
      count.fetch_add(left, std::memory_order_seq_cst);
    }
    if (error) {
      std::rethrow_exception(error);
    }
    if (!alive) {
      return false;
    }
  }
  return true;
}

void NotifyWindow::Dispatch() {
  if (DispatchHeaders(done_, doneBacklog_, kMomDone) && DispatchCount(inputs_, kMimData) &&
      DispatchHeaders(lostBuffers_, lostBacklog_, kOverflowMessage) &&
      DispatchCount(shortOverflows_, kOverflowMessage) &&
      lost_.exchange(false, std::memory_order_seq_cst)) {
    std::exception_ptr error;
    Handle(kDeviceLost, nullptr, error);
    if (error) {
      std::rethrow_exception(error);
    }
  }
}

}  // namespace morvane::midi
