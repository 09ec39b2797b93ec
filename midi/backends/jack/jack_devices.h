#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "midi/backends/jack/jack_connection.h"
#include "midi/driver.h"
#include "midi/stream_input.h"

namespace morvane::midi {

// What every open port of ours on the connection has: the JACK port, and the port's
// callback that hears about it.
class JackPortDevice : public JackDevice {
 public:
  JackPortDevice(std::shared_ptr<JackConnection> connection, jack_port_t* port,
                 DriverCallbackFn callback, std::uintptr_t instance);
  ~JackPortDevice() override;

  JackConnection& Connection() const { return *connection_; }
  DeviceHandle Handle() const { return reinterpret_cast<DeviceHandle>(this); }

 protected:
  void Call(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2) noexcept {
    callback_(Handle(), message, instance_, param1, param2);
  }
  // Tells the port once that the device is lost.
  void TellLost(MmResult reason) noexcept;
  jack_port_t* Port() const { return port_; }

 private:
  std::shared_ptr<JackConnection> connection_;
  jack_port_t* port_;
  DriverCallbackFn callback_;
  std::uintptr_t instance_;
  bool lostTold_ = false;
};

// An output port: the owner queues buffers and short messages, JACK's process thread
// writes them into the port's buffer in order, one event per MIDI message, as many as fit in
// a cycle (a buffer that does not fit goes on in the next cycles), and reports each buffer
// done at the start of the cycle after the one that carried its last message, which shows
// that the server finished it. After the server went away, the watch thread fails what is
// queued and what was written in a cycle that may never have finished.
class JackOutput final : public JackPortDevice {
 public:
  static constexpr std::size_t kMaxQueued = 4096;

  // tooLong is the code of a message that no cycle can carry.
  JackOutput(std::shared_ptr<JackConnection> connection, jack_port_t* port,
             DriverCallbackFn callback, std::uintptr_t instance, MmResult tooLong);
  ~JackOutput() override;

  // Owner thread: queues header (a buffer) or message (a short message, header null).
  // kNotReady when the queue is full.
  MmResult Queue(MidiHeader* header, std::uint32_t message);
  bool Busy() const { return pending_.load() > 0; }
  // Owner thread, once detached: fails everything still queued with result, from a
  // thread of the driver's, before it returns.
  void FailQueued(MmResult result);
  // The failure of a short message queued earlier, reported once.
  MmResult TakeShortFailure() { return shortFailure_.exchange(kNoError); }

  void Process(jack_nframes_t frames) noexcept override;
  void Lose(MmResult reason) noexcept override;

 private:
  struct Item {
    MidiHeader* header;
    std::uint32_t message;
  };
  // Whoever consumes the queue: the process thread, the watch thread or the thread
  // FailQueued starts, never two at once.
  void Finish(const Item& item, MmResult result) noexcept;
  void FailAll(MmResult result) noexcept;
  static std::size_t Next(std::size_t index) { return (index + 1) % (kMaxQueued + 1); }

  MmResult tooLong_;
  std::unique_ptr<Item[]> items_;
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
  // Consumer side: the items from head_ up to here were written in the last cycle, and
  // written_'s own item up to offset_.
  std::atomic<std::size_t> written_{0};
  std::size_t offset_ = 0;
  std::atomic<std::uint32_t> pending_{0};
  std::atomic<MmResult> shortFailure_{kNoError};
};

// An input port: JACK's process thread hands each event to the stream input, which
// fills the queued buffers.
class JackInput final : public JackPortDevice {
 public:
  JackInput(std::shared_ptr<JackConnection> connection, jack_port_t* port,
            DriverCallbackFn callback, std::uintptr_t instance);

  StreamInput& Stream() { return stream_; }

  void Process(jack_nframes_t frames) noexcept override;
  void Lose(MmResult reason) noexcept override { TellLost(reason); }

 private:
  StreamInput stream_;
};

}  // namespace morvane::midi
