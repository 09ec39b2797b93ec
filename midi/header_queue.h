#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include "midi/driver.h"

namespace morvane::midi {

// A fixed queue of buffer headers from one producer thread to one consumer thread,
// without locks: neither side ever waits for the other.
class HeaderQueue {
 public:
  explicit HeaderQueue(std::size_t capacity)
      : capacity_(capacity + 1), slots_(std::make_unique<MidiHeader*[]>(capacity + 1)) {}

  // Producer. False when full.
  bool Push(MidiHeader* header) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = Next(tail);
    if (next == head_.load(std::memory_order_acquire)) {
      return false;
    }
    slots_[tail] = header;
    tail_.store(next, std::memory_order_release);
    return true;
  }

  // Consumer. Null when empty.
  MidiHeader* Front() const noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    return head == tail_.load(std::memory_order_acquire) ? nullptr : slots_[head];
  }
  // Consumer, after Front returned a header.
  void Pop() noexcept {
    head_.store(Next(head_.load(std::memory_order_relaxed)), std::memory_order_release);
  }

  // Either side; exact only while the other side is idle.
  bool Empty() const noexcept {
    return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
  }

 private:
  std::size_t Next(std::size_t index) const noexcept {
    return index + 1 == capacity_ ? 0 : index + 1;
  }

  std::size_t capacity_;
  std::unique_ptr<MidiHeader*[]> slots_;
  static constexpr std::size_t kCacheLine = 64;
  alignas(kCacheLine) std::atomic<std::size_t> head_{0};
  alignas(kCacheLine) std::atomic<std::size_t> tail_{0};
};

}  // namespace morvane::midi
