#include "midi/backends/virtual/virtual_backend.h"

#include <algorithm>
#include <cstring>

#include "midi/error_texts.h"
#include "sim/simulated_module.h"

namespace morvane::midi {

namespace {
constexpr DeviceHandle kOutHandle = 1;
constexpr DeviceHandle kInHandle = 2;
constexpr std::uint16_t kVirtualManufacturer = 0x7D;
constexpr std::uint16_t kSimulatorProduct = 1;
constexpr std::uint16_t kTechnologyPort = 1;
constexpr std::uint16_t kAllChannels = 0xFFFF;
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kStatusBit = 0x80;
constexpr int kByteShift = 8;
constexpr std::uint32_t kByteMask = 0xFF;

// Bytes of a packed short message, from its status.
std::size_t ShortMessageLength(std::uint8_t status) {
  constexpr std::uint8_t kProgramChange = 0xC0;
  constexpr std::uint8_t kChannelPressure = 0xD0;
  constexpr std::uint8_t kSystem = 0xF0;
  constexpr std::uint8_t kQuarterFrame = 0xF1;
  constexpr std::uint8_t kSongPosition = 0xF2;
  constexpr std::uint8_t kSongSelect = 0xF3;
  if (status < kSystem) {
    const std::uint8_t kind = status & kSystem;
    return kind == kProgramChange || kind == kChannelPressure ? 2 : 3;
  }
  if (status == kSongPosition) {
    return 3;
  }
  return status == kQuarterFrame || status == kSongSelect ? 2 : 1;
}
}  // namespace

struct VirtualBackend::Work {
  enum class Kind { Long, Short, ResetIn };
  Kind kind;
  MidiHeader* header = nullptr;
  std::uint32_t message = 0;
};

struct VirtualBackend::PauseGate {
  void Open() {
    {
      std::lock_guard lock(mutex);
      open = true;
    }
    opened.notify_all();
  }
  void AwaitOpen() {
    std::unique_lock lock(mutex);
    opened.wait(lock, [this] { return open; });
  }
  bool IsOpen() {
    std::lock_guard lock(mutex);
    return open;
  }
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
};

struct VirtualBackend::Port {
  bool open = false;
  bool started = false;
  DriverCallbackFn callback = nullptr;
  std::uintptr_t instance = 0;
  std::deque<MidiHeader*> queued;
  std::uint32_t pendingLong = 0;
  std::chrono::steady_clock::time_point startTime{};
};

VirtualBackend::VirtualBackend(Pacing pacing)
    : pacing_(pacing),
      module_(std::make_unique<sim::SimulatedModule>()),
      out_(std::make_unique<Port>()),
      in_(std::make_unique<Port>()),
      thread_([this] { Run(); }) {}

VirtualBackend::~VirtualBackend() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (pause_) {
      pause_->Open();
    }
  }
  wake_.notify_all();
  thread_.join();
}

void VirtualBackend::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !work_.empty(); });
    if (work_.empty()) {
      return;
    }
    Work work = work_.front();
    work_.pop_front();
    busy_ = true;
    Process(work, lock);
    busy_ = false;
    if (work_.empty()) {
      idle_.notify_all();
    }
  }
}

void VirtualBackend::Enqueue(Work work) {
  work_.push_back(work);
  wake_.notify_one();
}

void VirtualBackend::WaitForIdle(std::unique_lock<std::mutex>& lock) {
  idle_.wait(lock, [this] { return work_.empty() && !busy_; });
}

void VirtualBackend::SetSilent(int presetNumber, bool silent) {
  std::unique_lock lock(mutex_);
  WaitForIdle(lock);
  module_->SetSilent(presetNumber, silent);
}

void VirtualBackend::SetAnswerBehaviour(const sim::AnswerBehaviour& behaviour) {
  std::unique_lock lock(mutex_);
  WaitForIdle(lock);
  module_->SetAnswerBehaviour(behaviour);
}

void VirtualBackend::SetAnswerBehaviour(int presetNumber,
                                        const std::optional<sim::AnswerBehaviour>& behaviour) {
  std::unique_lock lock(mutex_);
  WaitForIdle(lock);
  module_->SetAnswerBehaviour(presetNumber, behaviour);
}

void VirtualBackend::SetWait(Wait wait) {
  std::unique_lock lock(mutex_);
  WaitForIdle(lock);
  wait_ = std::move(wait);
}

bool VirtualBackend::Settled() {
  std::lock_guard lock(mutex_);
  return (work_.empty() && !busy_) || (pause_ && !pause_->IsOpen());
}

void VirtualBackend::Pause(std::chrono::microseconds time, std::unique_lock<std::mutex>& lock) {
  if (time.count() <= 0 || stopping_) {
    return;
  }
  if (!wait_) {
    lock.unlock();
    std::this_thread::sleep_for(time);
    lock.lock();
    return;
  }
  // The gate outlives the backend when whoever holds resume does. The wait is started under
  // the lock, so that Settled never reports a pause that the clock does not know of yet.
  const auto gate = std::make_shared<PauseGate>();
  pause_ = gate;
  wait_(time, [gate] { gate->Open(); });
  lock.unlock();
  gate->AwaitOpen();
  lock.lock();
  pause_.reset();
}

std::uint32_t VirtualBackend::Stamp() const {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - in_->startTime)
                                        .count());
}

void VirtualBackend::Process(Work& work, std::unique_lock<std::mutex>& lock) {
  std::vector<sim::Reply> replies;
  if (work.kind == Work::Kind::ResetIn) {
    ReturnQueuedBuffers(lock);
    return;
  }
  if (work.kind == Work::Kind::Long) {
    MidiHeader& header = *work.header;
    lock.unlock();
    replies = module_->ReceiveTimed({header.lpData, header.dwBufferLength});
    lock.lock();
    header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
    --out_->pendingLong;
    if (out_->callback != nullptr) {
      out_->callback(kOutHandle, kMomDone, out_->instance,
                     reinterpret_cast<std::uintptr_t>(&header), 0);
    }
  } else {
    std::uint8_t bytes[3] = {
        static_cast<std::uint8_t>(work.message & kByteMask),
        static_cast<std::uint8_t>((work.message >> kByteShift) & kByteMask),
        static_cast<std::uint8_t>((work.message >> 2 * kByteShift) & kByteMask)};
    lock.unlock();
    replies = module_->ReceiveTimed({bytes, ShortMessageLength(bytes[0])});
    lock.lock();
  }
  for (const sim::Reply& reply : replies) {
    Pause(reply.delay, lock);
    if (pacing_ == Pacing::WireRate) {
      Pause(sim::SimulatedModule::WireTime(reply.bytes.size()), lock);
    }
    DeliverReply(reply.bytes, lock);
  }
}

void VirtualBackend::DeliverReply(const std::vector<std::uint8_t>& message,
                                  std::unique_lock<std::mutex>& /*lock*/) {
  if (message.empty() || !in_->open || !in_->started || in_->callback == nullptr) {
    return;
  }
  const std::uint32_t stamp = Stamp();
  // The rest of a SysEx after a real-time byte inside it starts with a data byte or 0xF7.
  const bool sysex = message.front() == kSysexStart || message.front() == kSysexEnd ||
                     message.front() < kStatusBit;
  if (!sysex) {
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(message.size(), 3); ++i) {
      packed |= static_cast<std::uint32_t>(message[i]) << (kByteShift * i);
    }
    in_->callback(kInHandle, kMimData, in_->instance, packed, stamp);
    return;
  }
  // With no buffer queued the rest of the message is lost, as on a real port.
  std::size_t offset = 0;
  while (offset < message.size() && !in_->queued.empty()) {
    MidiHeader* header = in_->queued.front();
    in_->queued.pop_front();
    const std::size_t take = std::min<std::size_t>(header->dwBufferLength, message.size() - offset);
    std::memcpy(header->lpData, message.data() + offset, take);
    header->dwBytesRecorded = static_cast<std::uint32_t>(take);
    header->dwFlags = (header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
    offset += take;
    in_->callback(kInHandle, kMimLongData, in_->instance, reinterpret_cast<std::uintptr_t>(header),
                  stamp);
  }
}

void VirtualBackend::ReturnQueuedBuffers(std::unique_lock<std::mutex>& /*lock*/) {
  while (!in_->queued.empty()) {
    MidiHeader* header = in_->queued.front();
    in_->queued.pop_front();
    header->dwBytesRecorded = 0;
    header->dwFlags = (header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
    if (in_->callback != nullptr) {
      in_->callback(kInHandle, kMimLongData, in_->instance,
                    reinterpret_cast<std::uintptr_t>(header), 0);
    }
  }
}

MmResult VirtualBackend::OpenOn(Port& port, DeviceHandle own, DeviceHandle& device,
                                DriverCallbackFn callback, std::uintptr_t instance) {
  std::lock_guard lock(mutex_);
  if (port.open) {
    return kAllocated;
  }
  port = Port{};
  port.open = true;
  port.callback = callback;
  port.instance = instance;
  device = own;
  return kNoError;
}

MmResult VirtualBackend::CloseOn(Port& port, DeviceHandle own, DeviceHandle device) {
  std::lock_guard lock(mutex_);
  if (device != own || !port.open) {
    return kInvalidHandle;
  }
  // An output still has strings to send, an input still holds queued buffers.
  if (port.pendingLong > 0 || !port.queued.empty()) {
    return kStillPlaying;
  }
  port = Port{};
  return kNoError;
}

MmResult VirtualBackend::PrepareOn(DeviceHandle own, DeviceHandle device, MidiHeader& header) {
  if (device != own) {
    return kInvalidHandle;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

MmResult VirtualBackend::UnprepareOn(DeviceHandle own, DeviceHandle device, MidiHeader& header) {
  if (device != own) {
    return kInvalidHandle;
  }
  std::lock_guard lock(mutex_);
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  header.dwFlags &= ~kHeaderPrepared;
  return kNoError;
}

std::uint32_t VirtualBackend::OutGetNumDevs() {
  return 1;
}

MmResult VirtualBackend::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  if (deviceId != 0 && deviceId != kMidiMapper) {
    return kBadDeviceId;
  }
  caps = {};
  caps.manufacturerId = kVirtualManufacturer;
  caps.productId = kSimulatorProduct;
  caps.productName = kSimulatorName;
  caps.technology = kTechnologyPort;
  caps.channelMask = kAllChannels;
  return kNoError;
}

MmResult VirtualBackend::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                                 DriverCallbackFn callback, std::uintptr_t instance) {
  if (deviceId != 0 && deviceId != kMidiMapper) {
    return kBadDeviceId;
  }
  return OpenOn(*out_, kOutHandle, device, callback, instance);
}

MmResult VirtualBackend::OutClose(DeviceHandle device) {
  return CloseOn(*out_, kOutHandle, device);
}

MmResult VirtualBackend::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  std::lock_guard lock(mutex_);
  if (device != kOutHandle || !out_->open) {
    return kInvalidHandle;
  }
  Enqueue({Work::Kind::Short, nullptr, message});
  return kNoError;
}

MmResult VirtualBackend::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return PrepareOn(kOutHandle, device, header);
}

MmResult VirtualBackend::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareOn(kOutHandle, device, header);
}

MmResult VirtualBackend::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (device != kOutHandle || !out_->open) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    return kUnprepared;
  }
  header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
  ++out_->pendingLong;
  Enqueue({Work::Kind::Long, &header, 0});
  return kNoError;
}

MmResult VirtualBackend::OutReset(DeviceHandle device) {
  std::unique_lock lock(mutex_);
  if (device != kOutHandle || !out_->open) {
    return kInvalidHandle;
  }
  WaitForIdle(lock);
  return kNoError;
}

MmResult VirtualBackend::OutGetErrorText(MmResult code, std::string& text) {
  return StandardErrorText(code, text);
}

std::uint32_t VirtualBackend::InGetNumDevs() {
  return 1;
}

MmResult VirtualBackend::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  if (deviceId != 0) {
    return kBadDeviceId;
  }
  caps = {};
  caps.manufacturerId = kVirtualManufacturer;
  caps.productId = kSimulatorProduct;
  caps.productName = kSimulatorName;
  return kNoError;
}

MmResult VirtualBackend::InOpen(DeviceHandle& device, std::uint32_t deviceId,
                                DriverCallbackFn callback, std::uintptr_t instance) {
  if (deviceId != 0) {
    return kBadDeviceId;
  }
  return OpenOn(*in_, kInHandle, device, callback, instance);
}

MmResult VirtualBackend::InClose(DeviceHandle device) {
  return CloseOn(*in_, kInHandle, device);
}

MmResult VirtualBackend::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return PrepareOn(kInHandle, device, header);
}

MmResult VirtualBackend::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareOn(kInHandle, device, header);
}

MmResult VirtualBackend::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (device != kInHandle || !in_->open) {
    return kInvalidHandle;
  }
  if (const MmResult refused = MarkQueuedForInput(header)) {
    return refused;
  }
  in_->queued.push_back(&header);
  return kNoError;
}

MmResult VirtualBackend::InStart(DeviceHandle device) {
  std::lock_guard lock(mutex_);
  if (device != kInHandle || !in_->open) {
    return kInvalidHandle;
  }
  if (!in_->started) {
    in_->started = true;
    in_->startTime = std::chrono::steady_clock::now();
  }
  return kNoError;
}

MmResult VirtualBackend::InStop(DeviceHandle device) {
  std::lock_guard lock(mutex_);
  if (device != kInHandle || !in_->open) {
    return kInvalidHandle;
  }
  in_->started = false;
  return kNoError;
}

MmResult VirtualBackend::InReset(DeviceHandle device) {
  std::unique_lock lock(mutex_);
  if (device != kInHandle || !in_->open) {
    return kInvalidHandle;
  }
  in_->started = false;
  if (pause_ && !pause_->IsOpen()) {
    // The simulator waits in a pause: the buffers come back now, and the rest of its answer
    // goes out after the pause, to whoever listens then.
    ReturnQueuedBuffers(lock);
    return kNoError;
  }
  Enqueue({Work::Kind::ResetIn, nullptr, 0});
  WaitForIdle(lock);
  return kNoError;
}

MmResult VirtualBackend::InGetErrorText(MmResult code, std::string& text) {
  return StandardErrorText(code, text);
}

}  // namespace morvane::midi
