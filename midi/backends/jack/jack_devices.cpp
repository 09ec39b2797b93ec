#include "midi/backends/jack/jack_devices.h"

#include <jack/midiport.h>

#include <span>
#include <thread>

#include "midi/backends/jack/jack_events.h"
#include "midi/my_midi_event.h"

namespace morvane::midi {

namespace {
constexpr int kByteShift = 8;
constexpr std::uint32_t kByteMask = 0xFF;
}  // namespace

JackPortDevice::JackPortDevice(std::shared_ptr<JackConnection> connection, jack_port_t* port,
                               DriverCallbackFn callback, std::uintptr_t instance)
    : connection_(std::move(connection)), port_(port), callback_(callback), instance_(instance) {}

JackPortDevice::~JackPortDevice() {
  connection_->Unregister(port_);
}

void JackPortDevice::TellLost(MmResult reason) noexcept {
  if (!lostTold_) {
    lostTold_ = true;
    Call(kDeviceLost, reason, 0);
  }
}

JackOutput::JackOutput(std::shared_ptr<JackConnection> connection, jack_port_t* port,
                       DriverCallbackFn callback, std::uintptr_t instance, MmResult tooLong)
    : JackPortDevice(std::move(connection), port, callback, instance),
      tooLong_(tooLong),
      items_(std::make_unique<Item[]>(kMaxQueued + 1)) {}

JackOutput::~JackOutput() = default;

MmResult JackOutput::Queue(MidiHeader* header, std::uint32_t message) {
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  const std::size_t next = Next(tail);
  if (next == head_.load(std::memory_order_acquire)) {
    return kNotReady;
  }
  items_[tail] = {header, message};
  pending_.fetch_add(1);
  // Sequentially consistent: the owner looks at the loss only after this, so either it
  // sees the loss or the watch thread sees the item.
  tail_.store(next);
  return kNoError;
}

void JackOutput::Finish(const Item& item, MmResult result) noexcept {
  if (item.header == nullptr) {
    if (result != kNoError) {
      MmResult none = kNoError;
      shortFailure_.compare_exchange_strong(none, result);
    }
    pending_.fetch_sub(1);
    return;
  }
  MidiHeader& header = *item.header;
  header.dwResult = result;
  header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
  pending_.fetch_sub(1);
  Call(kMomDone, reinterpret_cast<std::uintptr_t>(&header), 0);
}

void JackOutput::Process(jack_nframes_t frames) noexcept {
  const std::size_t written = written_.load(std::memory_order_relaxed);
  for (std::size_t head = head_.load(std::memory_order_relaxed); head != written;
       head = Next(head)) {
    const Item item = items_[head];
    head_.store(Next(head), std::memory_order_release);
    Finish(item, kNoError);
  }
  void* buffer = jack_port_get_buffer(Port(), frames);
  jack_midi_clear_buffer(buffer);
  Connection().NoteLargestEvent(jack_midi_max_event_size(buffer));
  std::size_t next = written;
  bool wrote = false;
  while (next != tail_.load()) {
    const Item item = items_[next];
    std::uint8_t shortBytes[kShortMessageSize] = {};
    std::span<const std::uint8_t> bytes;
    if (item.header != nullptr) {
      bytes = {item.header->lpData, item.header->dwBufferLength};
    } else {
      for (std::size_t i = 0; i < kShortMessageSize; ++i) {
        shortBytes[i] = static_cast<std::uint8_t>((item.message >> (kByteShift * i)) & kByteMask);
      }
      bytes = std::span(shortBytes).first(ShortMessageLength(shortBytes[0]));
    }
    while (offset_ < bytes.size()) {
      const auto event = bytes.subspan(offset_, JackEventLength(bytes.subspan(offset_)));
      // Asked first: a write that fails counts as a lost event and is reported by libjack.
      if (event.size() > jack_midi_max_event_size(buffer) ||
          jack_midi_event_write(buffer, 0, event.data(), event.size()) != 0) {
        break;
      }
      wrote = true;
      offset_ += event.size();
    }
    if (offset_ == bytes.size()) {
      offset_ = 0;
      next = Next(next);
      continue;
    }
    if (wrote) {
      // The rest goes in the next cycle.
      break;
    }
    // What an empty buffer cannot take no cycle will: it fails, and nothing before it is
    // left unconfirmed.
    offset_ = 0;
    head_.store(Next(next), std::memory_order_release);
    next = Next(next);
    Finish(item, tooLong_);
  }
  written_.store(next, std::memory_order_relaxed);
}

void JackOutput::FailAll(MmResult result) noexcept {
  for (;;) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load()) {
      written_.store(head, std::memory_order_relaxed);
      offset_ = 0;
      return;
    }
    const Item item = items_[head];
    head_.store(Next(head), std::memory_order_release);
    Finish(item, result);
  }
}

void JackOutput::FailQueued(MmResult result) {
  std::thread failer([this, result] { FailAll(result); });
  failer.join();
}

void JackOutput::Lose(MmResult reason) noexcept {
  FailAll(reason);
  TellLost(reason);
}

JackInput::JackInput(std::shared_ptr<JackConnection> connection, jack_port_t* port,
                     DriverCallbackFn callback, std::uintptr_t instance)
    : JackPortDevice(std::move(connection), port, callback, instance),
      stream_(Handle(), callback, instance) {}

void JackInput::Process(jack_nframes_t frames) noexcept {
  void* buffer = jack_port_get_buffer(Port(), frames);
  const jack_nframes_t count = jack_midi_get_event_count(buffer);
  for (jack_nframes_t index = 0; index < count; ++index) {
    jack_midi_event_t event{};
    if (jack_midi_event_get(&event, buffer, index) == 0) {
      stream_.Deliver({event.buffer, event.size});
    }
  }
}

}  // namespace morvane::midi
