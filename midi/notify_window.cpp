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

MidiHeader* NotifyWindow::TakeDone() noexcept {
  return TakeInOrder(done_);
}

MidiHeader* NotifyWindow::DiscardInput() noexcept {
  inputs_.store(0, std::memory_order_relaxed);
  shortOverflows_.store(0, std::memory_order_relaxed);
  return TakeInOrder(lostBuffers_);
}

void NotifyWindow::Dispatch() {
  for (MidiHeader* header = TakeDone(); header != nullptr;) {
    MidiHeader* next = header->postLink;
    handler_(kMomDone, header);
    header = next;
  }
  for (std::uint32_t n = inputs_.exchange(0, std::memory_order_seq_cst); n > 0; --n) {
    handler_(kMimData, nullptr);
  }
  for (MidiHeader* header = TakeInOrder(lostBuffers_); header != nullptr;) {
    MidiHeader* next = header->postLink;
    handler_(kOverflowMessage, header);
    header = next;
  }
  for (std::uint32_t n = shortOverflows_.exchange(0, std::memory_order_seq_cst); n > 0; --n) {
    handler_(kOverflowMessage, nullptr);
  }
}

}  // namespace morvane::midi
