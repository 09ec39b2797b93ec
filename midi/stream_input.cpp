#include "midi/stream_input.h"

#include <thread>

namespace morvane::midi {

StreamInput::StreamInput(DeviceHandle handle, DriverCallbackFn callback, std::uintptr_t instance)
    : handle_(handle),
      callback_(callback),
      instance_(instance),
      queued_(kMaxQueued),
      assembler_(*this) {}

void StreamInput::Deliver(std::span<const std::uint8_t> bytes) noexcept {
  // Sequentially consistent with LeaveDelivery: either the owner sees this delivery
  // under way and waits for it, or this delivery sees input stopped.
  delivering_.store(true);
  if (started_.load()) {
    assembler_.Feed(bytes);
  }
  delivering_.store(false);
}

MmResult StreamInput::Add(MidiHeader& header) {
  if (const MmResult refused = MarkQueuedForInput(header)) {
    return refused;
  }
  if (!queued_.Push(&header)) {
    header.dwFlags &= ~kHeaderInQueue;
    return kNoMemory;
  }
  return kNoError;
}

void StreamInput::Start() {
  if (!started_.load()) {
    startTime_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    started_.store(true);
  }
}

bool StreamInput::LeaveDelivery() {
  started_.store(false);
  const auto deadline = std::chrono::steady_clock::now() + kLeaveDeadline;
  while (delivering_.load()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::yield();
  }
  // Once the system's thread has left Deliver it sees input stopped and leaves the
  // assembler and the queue alone.
  return true;
}

MmResult StreamInput::Stop() {
  if (!LeaveDelivery()) {
    return kNotReady;
  }
  assembler_.Reset();
  if (MidiHeader* front = queued_.Front()) {
    front->dwBytesRecorded = 0;
  }
  return kNoError;
}

MmResult StreamInput::Reset() {
  if (!LeaveDelivery()) {
    return kNotReady;
  }
  // The thread that returns the buffers takes the consumer's place in the queue.
  std::thread returner([this] {
    assembler_.Reset();
    while (queued_.Front() != nullptr) {
      ReturnFront(kMimLongData);
    }
  });
  returner.join();
  return kNoError;
}

std::uint32_t StreamInput::Stamp() const noexcept {
  const std::chrono::steady_clock::time_point start{
      std::chrono::steady_clock::duration{startTime_.load(std::memory_order_relaxed)}};
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
}

void StreamInput::ReturnFront(std::uint32_t message) noexcept {
  MidiHeader& header = *queued_.Front();
  queued_.Pop();
  header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
  callback_(handle_, message, instance_, reinterpret_cast<std::uintptr_t>(&header), Stamp());
}

void StreamInput::DeliverShort(std::uint32_t packed) noexcept {
  callback_(handle_, kMimData, instance_, packed, Stamp());
}

}  // namespace morvane::midi
