#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>

#include "midi/driver.h"
#include "midi/header_queue.h"
#include "midi/sysex_assembler.h"

namespace morvane::midi {

// The input side of a backend whose system hands over MIDI as byte messages on a
// thread of its own (RtMidi's, JACK's process thread). That thread fills the queued
// buffers in order and never waits for the owner thread: buffers reach it through a
// queue without locks and go back through the port's callback, which takes none either.
class StreamInput final : private AssemblyTarget {
 public:
  // More buffers than any pool the ports make.
  static constexpr std::size_t kMaxQueued = 4096;
  // How long the owner waits for the system's thread to leave a delivery; it never
  // blocks there, so this only guards against a thread that was stopped under it.
  static constexpr std::chrono::milliseconds kLeaveDeadline{250};

  // handle is what the callback is given as the device.
  StreamInput(DeviceHandle handle, DriverCallbackFn callback, std::uintptr_t instance);

  // The system's thread: one message or chunk, as received.
  void Deliver(std::span<const std::uint8_t> bytes) noexcept;

  // The owner thread.
  MmResult Add(MidiHeader& header);
  void Start();
  // Input stops. A SysEx or short message under way is dropped with the bytes its
  // buffer holds, so that input started again begins clean. kNotReady when the
  // system's thread did not leave its delivery in time (nothing is dropped then).
  MmResult Stop();
  bool HasQueued() const { return !queued_.Empty(); }
  // Returns every queued buffer, the one being filled with what it holds, from a
  // thread of the driver's (never the caller's), and waits until they are all back.
  // kNotReady, with the buffers still queued, when the system's thread did not leave.
  MmResult Reset();

 private:
  bool LeaveDelivery();
  std::uint32_t Stamp() const noexcept;
  MidiHeader* FrontBuffer() noexcept override { return queued_.Front(); }
  void ReturnFront(std::uint32_t message) noexcept override;
  void DeliverShort(std::uint32_t packed) noexcept override;

  DeviceHandle handle_;
  DriverCallbackFn callback_;
  std::uintptr_t instance_;
  HeaderQueue queued_;
  SysexAssembler assembler_;
  std::atomic<bool> started_{false};
  std::atomic<bool> delivering_{false};
  std::atomic<std::chrono::steady_clock::rep> startTime_{0};
};

}  // namespace morvane::midi
