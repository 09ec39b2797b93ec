#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "midi/driver.h"

namespace morvane::midi {

// One received event: a short message (header null) or a returned SysEx buffer.
struct RingRecord {
  std::uint32_t timeStamp = 0;
  std::uint32_t shortMessage = 0;
  MidiHeader* header = nullptr;
};

// Fixed-capacity ring between one producer (the driver thread) and one consumer
// (the GUI thread). The producer moves only the write index, the consumer only the
// read index; the count, changed by both, publishes the slots.
class EventRing {
 public:
  explicit EventRing(std::uint16_t capacity);

  std::uint16_t Capacity() const noexcept { return capacity_; }
  std::uint16_t Count() const noexcept { return count_.load(std::memory_order_acquire); }

  // Producer. False when full: the record is not stored.
  bool Push(const RingRecord& record) noexcept;

  // Consumer. Peek leaves the record in place; Pop removes the oldest.
  bool Peek(RingRecord& record) const noexcept;
  void Pop() noexcept;

 private:
  std::uint16_t capacity_;
  std::unique_ptr<RingRecord[]> records_;
  // Apart, so the two threads do not contend for one cache line more than they must.
  static constexpr std::size_t kCacheLine = 64;
  alignas(kCacheLine) std::atomic<std::uint16_t> write_{0};
  alignas(kCacheLine) std::atomic<std::uint16_t> read_{0};
  alignas(kCacheLine) std::atomic<std::uint16_t> count_{0};
};

}  // namespace morvane::midi
