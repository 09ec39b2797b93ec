#include "midi/backends/scripted/scripted_driver.h"

#include <algorithm>
#include <cstring>

#include "midi/error_texts.h"

namespace morvane::midi {

namespace {
constexpr std::uint16_t kScriptedManufacturer = 0x7D;
}  // namespace

ScriptedDriver::ScriptedDriver(std::vector<std::string> outputNames,
                               std::vector<std::string> inputNames)
    : outputNames_(std::move(outputNames)),
      inputNames_(std::move(inputNames)),
      outputCount_(static_cast<std::uint32_t>(outputNames_.size())),
      inputCount_(static_cast<std::uint32_t>(inputNames_.size())),
      thread_([this] { Run(); }) {}

ScriptedDriver::~ScriptedDriver() {
  {
    std::lock_guard lock(taskMutex_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  thread_.join();
}

void ScriptedDriver::Run() {
  std::unique_lock lock(taskMutex_);
  for (;;) {
    taskReady_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
    if (tasks_.empty()) {
      return;
    }
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    ++tasksFinished_;
    taskDone_.notify_all();
  }
}

void ScriptedDriver::PostToDriverThread(std::function<void()> task) {
  {
    std::lock_guard lock(taskMutex_);
    tasks_.push_back(std::move(task));
    ++tasksPosted_;
  }
  taskReady_.notify_one();
}

void ScriptedDriver::OnDriverThread(std::function<void()> task) {
  std::unique_lock lock(taskMutex_);
  tasks_.push_back(std::move(task));
  const std::size_t ticket = ++tasksPosted_;
  taskReady_.notify_one();
  taskDone_.wait(lock, [&] { return tasksFinished_ >= ticket; });
}

void ScriptedDriver::Fail(Call call, MmResult result, int times) {
  std::lock_guard lock(mutex_);
  failures_[call] = {result, times};
}

void ScriptedDriver::ClearFailures() {
  std::lock_guard lock(mutex_);
  failures_.clear();
}

void ScriptedDriver::SetDeviceCounts(std::uint32_t outputs, std::uint32_t inputs) {
  std::lock_guard lock(mutex_);
  outputCount_ = outputs;
  inputCount_ = inputs;
}

void ScriptedDriver::SetAutoComplete(bool autoComplete) {
  std::lock_guard lock(mutex_);
  autoComplete_ = autoComplete;
}

MmResult ScriptedDriver::Scripted(Call call) {
  ++calls_[call];
  auto failure = failures_.find(call);
  if (failure == failures_.end() || failure->second.second == 0) {
    return kNoError;
  }
  if (failure->second.second > 0) {
    --failure->second.second;
  }
  return failure->second.first;
}

std::string ScriptedDriver::NameOf(const std::vector<std::string>& names, std::size_t index) const {
  return index < names.size() ? names[index] : "Device " + std::to_string(index);
}

std::vector<std::uint32_t> ScriptedDriver::ShortMessages() const {
  std::lock_guard lock(mutex_);
  return shortMessages_;
}

std::vector<DeviceHandle> ScriptedDriver::ShortMessageHandles() const {
  std::lock_guard lock(mutex_);
  return shortHandles_;
}

std::vector<std::vector<std::uint8_t>> ScriptedDriver::LongMessages() const {
  std::lock_guard lock(mutex_);
  return longMessages_;
}

std::size_t ScriptedDriver::PendingLongCount() const {
  std::lock_guard lock(mutex_);
  return pendingLong_.size();
}

std::size_t ScriptedDriver::QueuedInputBuffers() const {
  std::lock_guard lock(mutex_);
  return queuedInput_.size();
}

std::size_t ScriptedDriver::PreparedHeaders() const {
  std::lock_guard lock(mutex_);
  return prepared_;
}

int ScriptedDriver::CallCount(Call call) const {
  std::lock_guard lock(mutex_);
  const auto found = calls_.find(call);
  return found == calls_.end() ? 0 : found->second;
}

bool ScriptedDriver::OutputOpen() const {
  std::lock_guard lock(mutex_);
  return out_.open;
}

bool ScriptedDriver::InputOpen() const {
  std::lock_guard lock(mutex_);
  return in_.open;
}

bool ScriptedDriver::InputStarted() const {
  std::lock_guard lock(mutex_);
  return started_;
}

void ScriptedDriver::CompleteLong(std::size_t count) {
  OnDriverThread([this, count] {
    for (std::size_t i = 0; i < count; ++i) {
      MidiHeader* header = nullptr;
      Endpoint out;
      {
        std::lock_guard lock(mutex_);
        if (pendingLong_.empty()) {
          return;
        }
        header = pendingLong_.front();
        pendingLong_.pop_front();
        out = out_;
      }
      header->dwFlags = (header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
      if (out.callback != nullptr) {
        out.callback(kOutHandle, kMomDone, out.instance, reinterpret_cast<std::uintptr_t>(header),
                     0);
      }
    }
  });
}

void ScriptedDriver::ReturnHeader(MidiHeader& header, std::uint32_t message, std::uint32_t stamp) {
  Endpoint in;
  {
    std::lock_guard lock(mutex_);
    in = in_;
  }
  header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
  if (in.callback != nullptr) {
    in.callback(kInHandle, message, in.instance, reinterpret_cast<std::uintptr_t>(&header), stamp);
  }
}

void ScriptedDriver::DeliverShort(std::uint32_t message, std::uint32_t stamp) {
  OnDriverThread([this, message, stamp] {
    Endpoint in;
    {
      std::lock_guard lock(mutex_);
      in = in_;
    }
    if (in.callback != nullptr) {
      in.callback(kInHandle, kMimData, in.instance, message, stamp);
    }
  });
}

std::size_t ScriptedDriver::DeliverSysex(std::span<const std::uint8_t> bytes, std::uint32_t stamp) {
  std::size_t returned = 0;
  OnDriverThread([&] {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
      MidiHeader* header = nullptr;
      {
        std::lock_guard lock(mutex_);
        if (queuedInput_.empty()) {
          return;
        }
        header = queuedInput_.front();
        queuedInput_.pop_front();
      }
      const std::size_t take = std::min<std::size_t>(header->dwBufferLength, bytes.size() - offset);
      std::memcpy(header->lpData, bytes.data() + offset, take);
      header->dwBytesRecorded = static_cast<std::uint32_t>(take);
      offset += take;
      ReturnHeader(*header, kMimLongData, stamp);
      ++returned;
    }
  });
  return returned;
}

bool ScriptedDriver::ReturnBuffer(std::span<const std::uint8_t> bytes, std::uint32_t message,
                                  std::uint32_t stamp) {
  bool returned = false;
  OnDriverThread([&] {
    MidiHeader* header = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queuedInput_.empty()) {
        return;
      }
      header = queuedInput_.front();
      queuedInput_.pop_front();
    }
    const std::size_t take = std::min<std::size_t>(header->dwBufferLength, bytes.size());
    if (take > 0) {
      std::memcpy(header->lpData, bytes.data(), take);
    }
    header->dwBytesRecorded = static_cast<std::uint32_t>(take);
    ReturnHeader(*header, message, stamp);
    returned = true;
  });
  return returned;
}

void ScriptedDriver::DeliverRaw(std::uint32_t message, std::uintptr_t param1,
                                std::uintptr_t param2) {
  OnDriverThread([&] {
    Endpoint in;
    {
      std::lock_guard lock(mutex_);
      in = in_;
    }
    if (in.callback != nullptr) {
      in.callback(kInHandle, message, in.instance, param1, param2);
    }
  });
}

std::uint32_t ScriptedDriver::OutGetNumDevs() {
  std::lock_guard lock(mutex_);
  return outputCount_;
}

MmResult ScriptedDriver::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::OutGetDevCaps)) {
    return failed;
  }
  if (deviceId < kMidiMapper || deviceId >= static_cast<std::int64_t>(outputCount_)) {
    return kBadDeviceId;
  }
  caps = {};
  caps.manufacturerId = kScriptedManufacturer;
  caps.productName = deviceId == kMidiMapper ? "Scripted Mapper" : NameOf(outputNames_, deviceId);
  caps.productId = static_cast<std::uint16_t>(deviceId + 1);
  return kNoError;
}

MmResult ScriptedDriver::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                                 DriverCallbackFn callback, std::uintptr_t instance) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::OutOpen)) {
    return failed;
  }
  if (deviceId < kMidiMapper || deviceId >= static_cast<std::int64_t>(outputCount_)) {
    return kBadDeviceId;
  }
  if (out_.open) {
    return kAllocated;
  }
  out_ = {true, callback, instance};
  device = kOutHandle;
  return kNoError;
}

MmResult ScriptedDriver::OutClose(DeviceHandle device) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::OutClose)) {
      return failed;
    }
    if (device != kOutHandle || !out_.open) {
      return kInvalidHandle;
    }
    if (!pendingLong_.empty()) {
      return kStillPlaying;
    }
    out_ = {};
  }
  // No callback of this device runs once the close has returned.
  OnDriverThread([] {});
  return kNoError;
}

MmResult ScriptedDriver::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::OutShortMsg)) {
    return failed;
  }
  if (device != kOutHandle || !out_.open) {
    return kInvalidHandle;
  }
  shortMessages_.push_back(message);
  shortHandles_.push_back(device);
  return kNoError;
}

MmResult ScriptedDriver::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::OutPrepareHeader)) {
    return failed;
  }
  if (device != kOutHandle || !out_.open) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    ++prepared_;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

MmResult ScriptedDriver::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::OutUnprepareHeader)) {
    return failed;
  }
  if (device != kOutHandle) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  if ((header.dwFlags & kHeaderPrepared) != 0) {
    --prepared_;
  }
  header.dwFlags &= ~kHeaderPrepared;
  return kNoError;
}

MmResult ScriptedDriver::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  bool complete = false;
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::OutLongMsg)) {
      return failed;
    }
    if (device != kOutHandle || !out_.open) {
      return kInvalidHandle;
    }
    if ((header.dwFlags & kHeaderPrepared) == 0) {
      return kUnprepared;
    }
    longMessages_.emplace_back(header.lpData, header.lpData + header.dwBufferLength);
    header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
    pendingLong_.push_back(&header);
    complete = autoComplete_;
  }
  if (complete) {
    PostToDriverThread([this] {
      MidiHeader* done = nullptr;
      Endpoint out;
      {
        std::lock_guard lock(mutex_);
        if (pendingLong_.empty()) {
          return;
        }
        done = pendingLong_.front();
        pendingLong_.pop_front();
        out = out_;
      }
      done->dwFlags = (done->dwFlags & ~kHeaderInQueue) | kHeaderDone;
      if (out.callback != nullptr) {
        out.callback(kOutHandle, kMomDone, out.instance, reinterpret_cast<std::uintptr_t>(done), 0);
      }
    });
  }
  return kNoError;
}

MmResult ScriptedDriver::OutReset(DeviceHandle device) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::OutReset)) {
      return failed;
    }
    if (device != kOutHandle || !out_.open) {
      return kInvalidHandle;
    }
  }
  CompleteLong(PendingLongCount());
  return kNoError;
}

MmResult ScriptedDriver::OutGetErrorText(MmResult code, std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::OutGetErrorText)) {
      return failed;
    }
  }
  return StandardErrorText(code, text);
}

std::uint32_t ScriptedDriver::InGetNumDevs() {
  std::lock_guard lock(mutex_);
  return inputCount_;
}

MmResult ScriptedDriver::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InGetDevCaps)) {
    return failed;
  }
  if (deviceId >= inputCount_) {
    return kBadDeviceId;
  }
  caps = {};
  caps.manufacturerId = kScriptedManufacturer;
  caps.productId = static_cast<std::uint16_t>(deviceId + 1);
  caps.productName = NameOf(inputNames_, deviceId);
  return kNoError;
}

MmResult ScriptedDriver::InOpen(DeviceHandle& device, std::uint32_t deviceId,
                                DriverCallbackFn callback, std::uintptr_t instance) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InOpen)) {
    return failed;
  }
  if (deviceId >= inputCount_) {
    return kBadDeviceId;
  }
  if (in_.open) {
    return kAllocated;
  }
  in_ = {true, callback, instance};
  started_ = false;
  device = kInHandle;
  return kNoError;
}

MmResult ScriptedDriver::InClose(DeviceHandle device) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::InClose)) {
      return failed;
    }
    if (device != kInHandle || !in_.open) {
      return kInvalidHandle;
    }
    if (!queuedInput_.empty()) {
      return kStillPlaying;
    }
    in_ = {};
    started_ = false;
  }
  OnDriverThread([] {});
  return kNoError;
}

MmResult ScriptedDriver::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InPrepareHeader)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    ++prepared_;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

MmResult ScriptedDriver::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InUnprepareHeader)) {
    return failed;
  }
  if (device != kInHandle) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  if ((header.dwFlags & kHeaderPrepared) != 0) {
    --prepared_;
  }
  header.dwFlags &= ~kHeaderPrepared;
  return kNoError;
}

MmResult ScriptedDriver::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InAddBuffer)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    return kUnprepared;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
  header.dwBytesRecorded = 0;
  queuedInput_.push_back(&header);
  return kNoError;
}

MmResult ScriptedDriver::InStart(DeviceHandle device) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InStart)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  started_ = true;
  return kNoError;
}

MmResult ScriptedDriver::InStop(DeviceHandle device) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InStop)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  started_ = false;
  return kNoError;
}

MmResult ScriptedDriver::InReset(DeviceHandle device) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::InReset)) {
      return failed;
    }
    if (device != kInHandle || !in_.open) {
      return kInvalidHandle;
    }
    started_ = false;
  }
  OnDriverThread([this] {
    for (;;) {
      MidiHeader* header = nullptr;
      {
        std::lock_guard lock(mutex_);
        if (queuedInput_.empty()) {
          return;
        }
        header = queuedInput_.front();
        queuedInput_.pop_front();
      }
      header->dwBytesRecorded = 0;
      ReturnHeader(*header, kMimLongData, 0);
    }
  });
  return kNoError;
}

MmResult ScriptedDriver::InGetErrorText(MmResult code, std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(Call::InGetErrorText)) {
      return failed;
    }
  }
  return StandardErrorText(code, text);
}

}  // namespace morvane::midi
