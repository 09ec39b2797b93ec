#include "midi/notify_window.h"

#include <utility>

#include "midi/gui_thread.h"
#include "midi/mm_result.h"

namespace morvane::midi {

NotifyWindow::NotifyWindow(GuiThread& gui, Handler handler)
    : gui_(gui), handler_(std::move(handler)) {
  gui_.Register(this);
}

NotifyWindow::~NotifyWindow() {
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

void NotifyWindow::DispatchHeaders(std::atomic<MidiHeader*>& list, MidiHeader*& backlog,
                                   std::uint32_t message) {
  backlog = TakeWithBacklog(list, backlog);
  while (backlog != nullptr) {
    MidiHeader* header = backlog;
    backlog = header->postLink;
    handler_(message, header);
  }
}

void NotifyWindow::DispatchCount(std::atomic<std::uint32_t>& count, std::uint32_t message) {
  std::uint32_t left = count.exchange(0, std::memory_order_seq_cst);
  try {
    for (; left > 0; --left) {
      handler_(message, nullptr);
    }
  } catch (...) {
    // The notification that raised has been delivered; the rest stay posted.
    count.fetch_add(left - 1, std::memory_order_seq_cst);
    throw;
  }
}

void NotifyWindow::Dispatch() {
  DispatchHeaders(done_, doneBacklog_, kMomDone);
  DispatchCount(inputs_, kMimData);
  DispatchHeaders(lostBuffers_, lostBacklog_, kOverflowMessage);
  DispatchCount(shortOverflows_, kOverflowMessage);
}

}  // namespace morvane::midi
