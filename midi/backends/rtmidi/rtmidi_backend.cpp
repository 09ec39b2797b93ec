#include "midi/backends/rtmidi/rtmidi_backend.h"

#include <RtMidi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "midi/backends/rtmidi/rtmidi_failure.h"
#include "midi/error_texts.h"
#include "midi/failure_texts.h"
#include "midi/my_midi_event.h"
#include "midi/stream_input.h"

namespace morvane::midi {

namespace {
constexpr const char* kApiVariable = "MORVANE_MIDI_API";
constexpr int kByteShift = 8;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::uint16_t kTechnologyPort = 1;
constexpr std::uint16_t kAllChannels = 0xFFFF;
constexpr const char* kSequencerDevice = "/dev/snd/seq";
// How long the owner waits for a message RtMidi is sending to come back.
constexpr std::chrono::milliseconds kSendDeadline{500};

// Without the kernel's sequencer device, opening ALSA prints on the terminal before it
// fails; such a machine is passed over quietly unless ALSA was asked for by name.
bool SequencerPresent() {
  return access(kSequencerDevice, R_OK | W_OK) == 0;
}
}  // namespace

struct RtMidiBackend::Api {
  RtMidi::Api api;
  // Before the probes, which report to them until they are gone.
  RtMidiFailure inFailure;
  RtMidiFailure outFailure;
  std::unique_ptr<RtMidiIn> inProbe;
  std::unique_ptr<RtMidiOut> outProbe;
};

// One open output: strings and short messages go out in order on a thread of its
// own; each string is reported done from there once it has been handed to RtMidi,
// carrying the code of RtMidi's text when RtMidi reported a failure instead.
class RtMidiBackend::OutputDevice {
 public:
  OutputDevice(std::unique_ptr<RtMidiOut> port, DriverCallbackFn callback, std::uintptr_t instance,
               FailureTexts& texts)
      : port_(std::move(port)),
        callback_(callback),
        instance_(instance),
        texts_(texts),
        thread_([this] { Run(); }) {
    failure_.Attach(*port_);
  }

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
    ready_.notify_one();
  }

  // False when RtMidi has not come back from the messages within the deadline.
  bool WaitForIdle(std::chrono::milliseconds deadline) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, deadline, [this] { return work_.empty() && !sending_; });
  }

  // The failure of a short message sent earlier, reported once.
  MmResult TakeShortFailure() { return shortFailure_.exchange(kNoError); }

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
      const MmResult result = Send(item);
      lock.lock();
      sending_ = false;
      if (item.header != nullptr) {
        item.header->dwResult = result;
        item.header->dwFlags = (item.header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
        callback_(reinterpret_cast<DeviceHandle>(this), kMomDone, instance_,
                  reinterpret_cast<std::uintptr_t>(item.header), 0);
      } else if (result != kNoError) {
        shortFailure_.store(result);
      }
      if (work_.empty()) {
        idle_.notify_all();
      }
    }
  }

  MmResult Send(const Item& item) noexcept {
    std::string text;
    try {
      if (item.header != nullptr) {
        port_->sendMessage(item.header->lpData, item.header->dwBufferLength);
      } else {
        const std::uint8_t bytes[3] = {
            static_cast<std::uint8_t>(item.message & kByteMask),
            static_cast<std::uint8_t>((item.message >> kByteShift) & kByteMask),
            static_cast<std::uint8_t>((item.message >> 2 * kByteShift) & kByteMask)};
        port_->sendMessage(bytes, ShortMessageLength(bytes[0]));
      }
      if (!failure_.Take(text)) {
        return kNoError;
      }
      return texts_.Code(text);
    } catch (const std::exception& error) {
      // RtMidi reports through the failure callback; a library or allocation error
      // that escapes it still marks the message as not sent.
      try {
        return texts_.Code(error.what());
      } catch (const std::exception&) {
        return kGeneralError;
      }
    }
  }

  // Before the port, which reports to it until it is gone.
  RtMidiFailure failure_;
  std::unique_ptr<RtMidiOut> port_;
  DriverCallbackFn callback_;
  std::uintptr_t instance_;
  FailureTexts& texts_;
  std::atomic<MmResult> shortFailure_{kNoError};
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable idle_;
  std::deque<Item> work_;
  bool sending_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// One open input: RtMidi's thread hands each message to the stream input. The
// callback stays set until the port is gone (RtMidi may be calling it while it is
// being cancelled); once input is stopped it leaves the buffers alone.
class RtMidiBackend::InputDevice {
 public:
  InputDevice(std::unique_ptr<RtMidiIn> port, DriverCallbackFn callback, std::uintptr_t instance,
              FailureTexts& texts)
      : texts_(texts),
        stream_(reinterpret_cast<DeviceHandle>(this), callback, instance),
        port_(std::move(port)) {
    failure_.Attach(*port_);
    port_->ignoreTypes(false, false, false);
    port_->setCallback(&InputDevice::Receive, this);
  }

  ~InputDevice() {
    // Closing the port ends RtMidi's thread, so a callback that was already under way
    // finishes before the stream goes.
    port_->closePort();
    port_.reset();
  }

  StreamInput& Stream() { return stream_; }

  // A failure RtMidi reported on its own thread since the last call.
  MmResult TakeFailure() {
    std::string text;
    return failure_.Take(text) ? texts_.Code(text) : kNoError;
  }

 private:
  static void Receive(double /*deltaTime*/, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr && user != nullptr) {
      static_cast<InputDevice*>(user)->stream_.Deliver(*message);
    }
  }

  FailureTexts& texts_;
  StreamInput stream_;
  // Before the port, which reports to it until it is gone.
  RtMidiFailure failure_;
  std::unique_ptr<RtMidiIn> port_;
};

RtMidiBackend::RtMidiBackend(std::string ownClientName) : ownClientName_(std::move(ownClientName)) {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  const char* wanted = std::getenv(kApiVariable);
  for (const RtMidi::Api api : compiled) {
    if (api == RtMidi::RTMIDI_DUMMY || api == RtMidi::UNSPECIFIED) {
      continue;
    }
    const bool named = wanted != nullptr && RtMidi::getApiName(api) == wanted;
    if (wanted != nullptr && *wanted != '\0' && !named) {
      continue;
    }
#ifdef MORVANE_HAVE_JACK
    // A JACK server's ports come through the JACK backend, which survives the server.
    if (api == RtMidi::UNIX_JACK) {
      continue;
    }
#endif
    if (api == RtMidi::LINUX_ALSA && !named && !SequencerPresent()) {
      continue;
    }
    // An API that cannot be used on this machine (no sequencer device, no server)
    // fails here, and the next one is tried.
    try {
      auto entry = std::make_unique<Api>();
      entry->api = api;
      entry->inProbe = std::make_unique<RtMidiIn>(api, ownClientName_ + "-list");
      entry->inFailure.Attach(*entry->inProbe);
      entry->outProbe = std::make_unique<RtMidiOut>(api, ownClientName_ + "-list");
      entry->outFailure.Attach(*entry->outProbe);
      entry->inProbe->getPortCount();
      std::string text;
      if (!entry->inFailure.Take(text) && !entry->outFailure.Take(text)) {
        apis_.push_back(std::move(entry));
      }
    } catch (const RtMidiError&) {
      // Raised by a constructor, before a failure callback could be set.
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

std::vector<RtMidiBackend::PortRef> RtMidiBackend::ListPorts(RtMidi& (*probe)(Api& api),
                                                             RtMidiFailure& (*failure)(Api& api)) {
  std::vector<PortRef> ports;
  for (const auto& api : apis_) {
    RtMidi& lister = probe(*api);
    std::string text;
    // A server that went away lists no ports.
    const unsigned int count = lister.getPortCount();
    for (unsigned int port = 0; port < count && !failure(*api).Take(text); ++port) {
      std::string name = lister.getPortName(port);
      if (!failure(*api).Take(text) && name.rfind(ownClientName_, 0) != 0) {
        ports.push_back({api.get(), port, std::move(name)});
      }
    }
  }
  return ports;
}

template <typename Port>
MmResult RtMidiBackend::OpenOn(const PortRef& ref, const char* portName,
                               std::unique_ptr<Port>& opened) {
  try {
    RtMidiFailure failure;
    auto port = std::make_unique<Port>(ref.api->api, ownClientName_);
    failure.Attach(*port);
    port->openPort(ref.port, portName);
    std::string text;
    if (failure.Take(text)) {
      return texts_.Code(text);
    }
    opened = std::move(port);
    return kNoError;
  } catch (const RtMidiError& error) {
    return texts_.Code(error.getMessage());
  }
}

MmResult RtMidiBackend::ErrorText(MmResult code, std::string& text) const {
  if (texts_.Text(code, text)) {
    return kNoError;
  }
  return StandardErrorText(code, text);
}

std::vector<RtMidiBackend::PortRef> RtMidiBackend::OutputPorts() {
  return ListPorts([](Api& api) -> RtMidi& { return *api.outProbe; },
                   [](Api& api) -> RtMidiFailure& { return api.outFailure; });
}

std::vector<RtMidiBackend::PortRef> RtMidiBackend::InputPorts() {
  return ListPorts([](Api& api) -> RtMidi& { return *api.inProbe; },
                   [](Api& api) -> RtMidiFailure& { return api.inFailure; });
}

MmResult RtMidiBackend::PrepareHeader(DeviceHandle device, MidiHeader& header) {
  return MarkPrepared(device != kNoDevice, header);
}

MmResult RtMidiBackend::UnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return MarkUnprepared(device != kNoDevice, header);
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
  caps.queuesShortMessages = true;
  return kNoError;
}

MmResult RtMidiBackend::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                                DriverCallbackFn callback, std::uintptr_t instance) {
  const auto ports = OutputPorts();
  const std::int32_t id = deviceId == kMidiMapper ? 0 : deviceId;
  if (id < 0 || static_cast<std::size_t>(id) >= ports.size()) {
    return kBadDeviceId;
  }
  std::unique_ptr<RtMidiOut> port;
  if (const MmResult failed = OpenOn(ports[id], "out", port)) {
    return failed;
  }
  device =
      reinterpret_cast<DeviceHandle>(new OutputDevice(std::move(port), callback, instance, texts_));
  return kNoError;
}

MmResult RtMidiBackend::OutClose(DeviceHandle device) {
  auto* output = reinterpret_cast<OutputDevice*>(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  if (!output->WaitForIdle(kSendDeadline)) {
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
  // A short message that failed earlier is reported by the next one.
  if (const MmResult failed = output->TakeShortFailure()) {
    return failed;
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
  return output->WaitForIdle(kSendDeadline) ? kNoError : kStillPlaying;
}

MmResult RtMidiBackend::OutGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text);
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
  std::unique_ptr<RtMidiIn> port;
  if (const MmResult failed = OpenOn(ports[deviceId], "in", port)) {
    return failed;
  }
  device =
      reinterpret_cast<DeviceHandle>(new InputDevice(std::move(port), callback, instance, texts_));
  return kNoError;
}

MmResult RtMidiBackend::InClose(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  if (input->Stream().HasQueued()) {
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
  return input->Stream().Add(header);
}

MmResult RtMidiBackend::InStart(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  input->Stream().Start();
  return input->TakeFailure();
}

MmResult RtMidiBackend::InStop(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  if (const MmResult stopped = input->Stream().Stop()) {
    return stopped;
  }
  return input->TakeFailure();
}

MmResult RtMidiBackend::InReset(DeviceHandle device) {
  auto* input = reinterpret_cast<InputDevice*>(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  return input->Stream().Reset();
}

MmResult RtMidiBackend::InGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace morvane::midi
