#include "midi/backends/rtmidi/rtmidi_backend.h"

#include <RtMidi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "midi/error_texts.h"

namespace morvane::midi {

namespace {
constexpr const char* kApiVariable = "MORVANE_MIDI_API";
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr int kByteShift = 8;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kSystem = 0xF0;
constexpr std::uint16_t kTechnologyPort = 1;
constexpr std::uint16_t kAllChannels = 0xFFFF;

std::size_t ShortLength(std::uint8_t status) {
  if (status < kSystem) {
    const std::uint8_t kind = status & kSystem;
    return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
  }
  constexpr std::uint8_t kQuarterFrame = 0xF1;
  constexpr std::uint8_t kSongPosition = 0xF2;
  constexpr std::uint8_t kSongSelect = 0xF3;
  if (status == kSongPosition) {
    return 3;
  }
  return status == kQuarterFrame || status == kSongSelect ? 2 : 1;
}
}  // namespace

struct RtMidiBackend::Api {
  RtMidi::Api api;
  std::unique_ptr<RtMidiIn> inProbe;
  std::unique_ptr<RtMidiOut> outProbe;
};

// One open output: strings and short messages go out in order on a thread of its
// own; each string is reported done from there once it has been handed to RtMidi.
class RtMidiBackend::OutputDevice {
 public:
  OutputDevice(std::unique_ptr<RtMidiOut> port, DriverCallbackFn callback, std::uintptr_t instance)
      : port_(std::move(port)),
        callback_(callback),
        instance_(instance),
        thread_([this] { Run(); }) {}

  ~OutputDevice() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    thread_.join();
  }

  void Queue(MidiHeader* header, std::uint32_t message) {
    std::lock_guard lock(mutex_);
    work_.push_back({header, message});
    if (header != nullptr) {
      ++pendingLong_;
    }
    ready_.notify_one();
  }

  bool Busy() {
    std::lock_guard lock(mutex_);
    return pendingLong_ > 0;
  }

  void WaitForIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return work_.empty() && !sending_; });
  }

 private:
  struct Item {
    MidiHeader* header;
    std::uint32_t message;
  };

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ready_.wait(lock, [this] { return stopping_ || !work_.empty(); });
      if (work_.empty()) {
        return;
      }
      const Item item = work_.front();
      work_.pop_front();
      sending_ = true;
      lock.unlock();
      Send(item);
      lock.lock();
      sending_ = false;
      if (item.header != nullptr) {
        --pendingLong_;
        item.header->dwFlags = (item.header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
        callback_(reinterpret_cast<DeviceHandle>(this), kMomDone, instance_,
                  reinterpret_cast<std::uintptr_t>(item.header), 0);
      }
      if (work_.empty()) {
        idle_.notify_all();
      }
    }
  }

  void Send(const Item& item) noexcept {
    try {
      if (item.header != nullptr) {
        port_->sendMessage(item.header->lpData, item.header->dwBufferLength);
      } else {
        const std::uint8_t bytes[3] = {
            static_cast<std::uint8_t>(item.message & kByteMask),
            static_cast<std::uint8_t>((item.message >> kByteShift) & kByteMask),
            static_cast<std::uint8_t>((item.message >> 2 * kByteShift) & kByteMask)};
        port_->sendMessage(bytes, ShortLength(bytes[0]));
      }
    } catch (const RtMidiError&) {
      // A driver thread has no caller to raise to: the message is lost, as on a
      // disconnected cable, and the string is still reported done.
    }
  }

  std::unique_ptr<RtMidiOut> port_;
  DriverCallbackFn callback_;
  std::uintptr_t instance_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable idle_;
  std::deque<Item> work_;
  std::uint32_t pendingLong_ = 0;
  bool sending_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// One open input: RtMidi's thread fills the queued buffers in order.
class RtMidiBackend::InputDevice {
 public:
  InputDevice(std::unique_ptr<RtMidiIn> port, DriverCallbackFn callback, std::uintptr_t instance)
      : port_(std::move(port)), callback_(callback), instance_(instance) {
    port_->ignoreTypes(false, false, false);
    port_->setCallback(&InputDevice::Receive, this);
  }

  ~InputDevice() {
    port_->cancelCallback();
    port_->closePort();
    // Destroying the port ends RtMidi's thread, so a callback that was already under
    // way finishes before the mutex and the queue go.
    port_.reset();
  }

  MmResult Add(MidiHeader& header) {
    std::lock_guard lock(mutex_);
    if (const MmResult refused = MarkQueuedForInput(header)) {
      return refused;
    }
    queued_.push_back(&header);
    return kNoError;
  }

  void Start() {
    std::lock_guard lock(mutex_);
    if (!started_) {
      started_ = true;
      startTime_ = std::chrono::steady_clock::now();
    }
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    started_ = false;
  }

  bool HasQueued() {
    std::lock_guard lock(mutex_);
    return !queued_.empty();
  }

  // Returns every queued buffer, the one being filled with what it holds, from a
  // thread of the driver's (never the caller's), and waits until they are all back.
  void Reset() {
    {
      std::lock_guard lock(mutex_);
      started_ = false;
    }
    std::thread returner([this] {
      std::lock_guard lock(mutex_);
      inSysex_ = false;
      while (!queued_.empty()) {
        Return(*queued_.front());
      }
    });
    returner.join();
  }

 private:
  static void Receive(double /*deltaTime*/, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr && user != nullptr) {
      static_cast<InputDevice*>(user)->Deliver(*message);
    }
  }

  std::uint32_t Stamp() const {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - startTime_)
                                          .count());
  }

  void Return(MidiHeader& header) {
    queued_.pop_front();
    header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
    callback_(reinterpret_cast<DeviceHandle>(this), kMimLongData, instance_,
              reinterpret_cast<std::uintptr_t>(&header), Stamp());
  }

  void Deliver(const std::vector<unsigned char>& bytes) {
    std::lock_guard lock(mutex_);
    if (!started_ || bytes.empty()) {
      return;
    }
    if (bytes.front() != kSysexStart && !inSysex_) {
      std::uint32_t packed = 0;
      for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 3); ++i) {
        packed |= static_cast<std::uint32_t>(bytes[i]) << (kByteShift * i);
      }
      callback_(reinterpret_cast<DeviceHandle>(this), kMimData, instance_, packed, Stamp());
      return;
    }
    inSysex_ = bytes.back() != kSysexEnd;
    std::size_t offset = 0;
    while (offset < bytes.size() && !queued_.empty()) {
      MidiHeader& header = *queued_.front();
      const std::size_t room = header.dwBufferLength - header.dwBytesRecorded;
      const std::size_t take = std::min(room, bytes.size() - offset);
      std::memcpy(header.lpData + header.dwBytesRecorded, bytes.data() + offset, take);
      header.dwBytesRecorded += static_cast<std::uint32_t>(take);
      offset += take;
      if (header.dwBytesRecorded == header.dwBufferLength ||
          (offset == bytes.size() && !inSysex_)) {
        Return(header);
      }
    }
  }

  std::unique_ptr<RtMidiIn> port_;
  DriverCallbackFn callback_;
  std::uintptr_t instance_;
  std::mutex mutex_;
  std::deque<MidiHeader*> queued_;
  bool started_ = false;
  bool inSysex_ = false;
  std::chrono::steady_clock::time_point startTime_{};
};

RtMidiBackend::RtMidiBackend(std::string ownClientName) : ownClientName_(std::move(ownClientName)) {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  const char* wanted = std::getenv(kApiVariable);
  for (const RtMidi::Api api : compiled) {
    if (api == RtMidi::RTMIDI_DUMMY || api == RtMidi::UNSPECIFIED) {
      continue;
    }
    if (wanted != nullptr && *wanted != '\0' && RtMidi::getApiName(api) != wanted) {
      continue;
    }
    try {
      auto entry = std::make_unique<Api>();
      entry->api = api;
      entry->inProbe = std::make_unique<RtMidiIn>(api, ownClientName_ + "-list");
      entry->outProbe = std::make_unique<RtMidiOut>(api, ownClientName_ + "-list");
      entry->inProbe->getPortCount();
      apis_.push_back(std::move(entry));
    } catch (const RtMidiError&) {
      // This API cannot be used on this machine (no sequencer device, no server):
      // the next one is tried.
    }
  }
}

RtMidiBackend::~RtMidiBackend() = default;

std::vector<std::string> RtMidiBackend::ApiNames() const {
  std::vector<std::string> names;
  for (const auto& api : apis_) {
    names.push_back(RtMidi::getApiName(api->api));
  }
  return names;
}

std::vector<RtMidiBackend::PortRef> RtMidiBackend::ListPorts(RtMidi& (*probe)(Api& api)) {
  std::vector<PortRef> ports;
  for (const auto& api : apis_) {
    RtMidi& lister = probe(*api);
    try {
      const unsigned int count = lister.getPortCount();
      for (unsigned int port = 0; port < count; ++port) {
        std::string name = lister.getPortName(port);
        if (name.rfind(ownClientName_, 0) != 0) {
          ports.push_back({api.get(), port, std::move(name)});
        }
      }
    } catch (const RtMidiError&) {
      // A server that went away lists no ports.
    }
  }
  return ports;
}

std::vector<RtMidiBackend::PortRef> RtMidiBackend::OutputPorts() {
  return ListPorts([](Api& api) -> RtMidi& { return *api.outProbe; });
}

std::vector<RtMidiBackend::PortRef> RtMidiBackend::InputPorts() {
  return ListPorts([](Api& api) -> RtMidi& { return *api.inProbe; });
}

MmResult RtMidiBackend::PrepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

MmResult RtMidiBackend::UnprepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  header.dwFlags &= ~kHeaderPrepared;
  return kNoError;
}

std::uint32_t RtMidiBackend::OutGetNumDevs() {
  return static_cast<std::uint32_t>(OutputPorts().size());
}

MmResult RtMidiBackend::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  const auto ports = OutputPorts();
  const std::int32_t id = deviceId == kMidiMapper ? 0 : deviceId;
  if (id < 0 || static_cast<std::size_t>(id) >= ports.size()) {
    return kBadDeviceId;
  }
  caps = {};
  caps.productName = ports[id].name;
  caps.technology = kTechnologyPort;
  caps.channelMask = kAllChannels;
  return kNoError;
}

MmResult RtMidiBackend::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                                DriverCallbackFn callback, std::uintptr_t instance) {
  const auto ports = OutputPorts();
  const std::int32_t id = deviceId == kMidiMapper ? 0 : deviceId;
  if (id < 0 || static_cast<std::size_t>(id) >= ports.size()) {
    return kBadDeviceId;
  }
  try {
    auto port = std::make_unique<RtMidiOut>(ports[id].api->api, ownClientName_);
    port->openPort(ports[id].port, "out");
    device = reinterpret_cast<DeviceHandle>(new OutputDevice(std::move(port), callback, instance));
    return kNoError;
  } catch (const RtMidiError&) {
    return kAllocated;
  }
}

MmResult RtMidiBackend::OutClose(DeviceHandle device) {
  auto* output = reinterpret_cast<OutputDevice*>(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  if (output->Busy()) {
    return kStillPlaying;
  }
  delete output;
  return kNoError;
}

MmResult RtMidiBackend::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  auto* output = reinterpret_cast<OutputDevice*>(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  output->Queue(nullptr, message);
  return kNoError;
}

MmResult RtMidiBackend::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return PrepareHeader(device, header);
}

MmResult RtMidiBackend::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareHeader(device, header);
}

MmResult RtMidiBackend::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  auto* output = reinterpret_cast<OutputDevice*>(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    return kUnprepared;
  }
  header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
  output->Queue(&header, 0);
  return kNoError;
}

MmResult RtMidiBackend::OutReset(DeviceHandle device) {
  auto* output = reinterpret_cast<OutputDevice*>(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  output->WaitForIdle();
  return kNoError;
}

MmResult RtMidiBackend::OutGetErrorText(MmResult code, std::string& text) {
  return StandardErrorText(code, text);
}

std::uint32_t RtMidiBackend::InGetNumDevs() {
  return static_cast<std::uint32_t>(InputPorts().size());
}

MmResult RtMidiBackend::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  const auto ports = InputPorts();
  if (deviceId >= ports.size()) {
    return kBadDeviceId;
  }
  caps = {};
  caps.productName = ports[deviceId].name;
  return kNoError;
}

MmResult RtMidiBackend::InOpen(DeviceHandle& device, std::uint32_t deviceId,
                               DriverCallbackFn callback, std::uintptr_t instance) {
  const auto ports = InputPorts();
  if (deviceId >= ports.size()) {
    return kBadDeviceId;
  }
  try {
    auto port = std::make_unique<RtMidiIn>(ports[deviceId].api->api, ownClientName_);
    port->openPort(ports[deviceId].port, "in");
    device = reinterpret_cast<DeviceHandle>(new InputDevice(std::move(port), callback, instance));
  } catch (const RtMidiError&) {
    return kAllocated;
  }
  return kNoError;
}

MmResult RtMidiBackend::InClose(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  if (input->HasQueued()) {
    return kStillPlaying;
  }
  delete input;
  return kNoError;
}

MmResult RtMidiBackend::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return PrepareHeader(device, header);
}

MmResult RtMidiBackend::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareHeader(device, header);
}

MmResult RtMidiBackend::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  return input->Add(header);
}

MmResult RtMidiBackend::InStart(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  input->Start();
  return kNoError;
}

MmResult RtMidiBackend::InStop(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  input->Stop();
  return kNoError;
}

MmResult RtMidiBackend::InReset(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  input->Reset();
  return kNoError;
}

MmResult RtMidiBackend::InGetErrorText(MmResult code, std::string& text) {
  return StandardErrorText(code, text);
}

}  // namespace morvane::midi
