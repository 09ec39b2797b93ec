#include "midi/event_ring.h"

namespace morvane::midi {

EventRing::EventRing(std::uint16_t capacity)
    : capacity_(capacity), records_(std::make_unique<RingRecord[]>(capacity == 0 ? 1 : capacity)) {}

bool EventRing::Push(const RingRecord& record) noexcept {
  if (count_.load(std::memory_order_acquire) >= capacity_) {
    return false;
  }
  const std::uint16_t write = write_.load(std::memory_order_relaxed);
  records_[write] = record;
  write_.store(write + 1 == capacity_ ? 0 : write + 1, std::memory_order_relaxed);
  count_.fetch_add(1, std::memory_order_release);
  return true;
}

bool EventRing::Peek(RingRecord& record) const noexcept {
  if (count_.load(std::memory_order_acquire) == 0) {
    return false;
  }
  record = records_[read_.load(std::memory_order_relaxed)];
  return true;
}

void EventRing::Pop() noexcept {
  const std::uint16_t read = read_.load(std::memory_order_relaxed);
  read_.store(read + 1 == capacity_ ? 0 : read + 1, std::memory_order_relaxed);
  count_.fetch_sub(1, std::memory_order_release);
}

}  // namespace morvane::midi
