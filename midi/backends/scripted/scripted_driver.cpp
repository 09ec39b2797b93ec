#include "midi/backends/scripted/scripted_driver.h"

#include <algorithm>
#include <cstring>

#include "midi/error_texts.h"

namespace morvane::midi {

namespace {
constexpr std::uint16_t kScriptedManufacturer = 0x7D;
}  // namespace

ScriptedDriver::ScriptedDriver(std::vector<std::string> outputNames,
                               std::vector<std::string> inputNames, CallbackThread callbackThread)
    : outputNames_(std::move(outputNames)),
      inputNames_(std::move(inputNames)),
      outputCount_(static_cast<std::uint32_t>(outputNames_.size())),
      inputCount_(static_cast<std::uint32_t>(inputNames_.size())),
      callbackThread_(callbackThread) {
  if (callbackThread_ == CallbackThread::Own) {
    thread_ = std::thread([this] { Run(); });
  }
}

ScriptedDriver::~ScriptedDriver() {
  if (!thread_.joinable()) {
    return;
  }
  {
    std::lock_guard lock(taskMutex_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  thread_.join();
}

void ScriptedDriver::Reset() {
  if (callbackThread_ == CallbackThread::Own) {
    // Lets the driver thread finish what was posted before.
    OnDriverThread([] {});
  } else {
    std::lock_guard tasks(taskMutex_);
    tasks_.clear();
  }
  std::lock_guard lock(mutex_);
  failures_.fill({});
  calls_.fill(0);
  outputCount_ = static_cast<std::uint32_t>(outputNames_.size());
  inputCount_ = static_cast<std::uint32_t>(inputNames_.size());
  autoComplete_ = false;
  queuesShortMessages_ = false;
  out_ = {};
  in_ = {};
  shortMessages_.clear();
  shortHandles_.clear();
  longMessages_.clear();
  pendingLong_.clear();
  queuedInput_.clear();
  prepared_ = 0;
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

void ScriptedDriver::RunPostedOnCaller() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(taskMutex_);
      if (tasks_.empty()) {
        return;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void ScriptedDriver::OnDriverThread(std::function<void()> task) {
  if (callbackThread_ == CallbackThread::Caller) {
    RunPostedOnCaller();
    task();
    return;
  }
  std::unique_lock lock(taskMutex_);
  tasks_.push_back(std::move(task));
  const std::size_t ticket = ++tasksPosted_;
  taskReady_.notify_one();
  taskDone_.wait(lock, [&] { return tasksFinished_ >= ticket; });
}

void ScriptedDriver::Fail(Call call, MmResult result, int times) {
  std::lock_guard lock(mutex_);
  failures_[static_cast<std::size_t>(call)] = {result, times};
}

void ScriptedDriver::ClearFailures() {
  std::lock_guard lock(mutex_);
  failures_.fill({});
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

void ScriptedDriver::SetQueuesShortMessages(bool queues) {
  std::lock_guard lock(mutex_);
  queuesShortMessages_ = queues;
}

MmResult ScriptedDriver::Scripted(Call call) {
  const auto index = static_cast<std::size_t>(call);
  ++calls_[index];
  Failure& failure = failures_[index];
  if (failure.times == 0) {
    return kNoError;
  }
  if (failure.times > 0) {
    --failure.times;
  }
  return failure.result;
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
  return calls_[static_cast<std::size_t>(call)];
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
  return in_.started;
}

bool ScriptedDriver::CompleteOldestLong(MmResult result) {
  MidiHeader* header = nullptr;
  Endpoint out;
  {
    std::lock_guard lock(mutex_);
    if (pendingLong_.empty()) {
      return false;
    }
    header = pendingLong_.front();
    pendingLong_.pop_front();
    out = out_;
  }
  header->dwFlags = (header->dwFlags & ~kHeaderInQueue) | kHeaderDone;
  header->dwResult = result;
  if (out.callback != nullptr) {
    out.callback(kOutHandle, kMomDone, out.instance, reinterpret_cast<std::uintptr_t>(header), 0);
  }
  return true;
}

void ScriptedDriver::CompleteLong(std::size_t count, MmResult result) {
  OnDriverThread([this, count, result] {
    for (std::size_t i = 0; i < count && CompleteOldestLong(result); ++i) {
    }
  });
}

void ScriptedDriver::UnplugInput() {
  {
    std::lock_guard lock(mutex_);
    in_ = {};
    queuedInput_.clear();
  }
  OnDriverThread([] {});
}

void ScriptedDriver::LoseDevices(MmResult reason) {
  OnDriverThread([this, reason] {
    while (CompleteOldestLong(reason)) {
    }
    Endpoint out;
    Endpoint in;
    {
      std::lock_guard lock(mutex_);
      out = out_;
      in = in_;
    }
    if (out.open && out.callback != nullptr) {
      out.callback(kOutHandle, kDeviceLost, out.instance, reason, 0);
    }
    if (in.open && in.callback != nullptr) {
      in.callback(kInHandle, kDeviceLost, in.instance, reason, 0);
    }
  });
}

void ScriptedDriver::CallInput(std::uint32_t message, std::uintptr_t param1,
                               std::uintptr_t param2) {
  Endpoint in;
  {
    std::lock_guard lock(mutex_);
    in = in_;
  }
  if (in.callback != nullptr) {
    in.callback(kInHandle, message, in.instance, param1, param2);
  }
}

MidiHeader* ScriptedDriver::TakeQueuedInput() {
  std::lock_guard lock(mutex_);
  if (queuedInput_.empty()) {
    return nullptr;
  }
  MidiHeader* header = queuedInput_.front();
  queuedInput_.pop_front();
  return header;
}

void ScriptedDriver::ReturnHeader(MidiHeader& header, std::uint32_t message, std::uint32_t stamp) {
  header.dwFlags = (header.dwFlags & ~kHeaderInQueue) | kHeaderDone;
  CallInput(message, reinterpret_cast<std::uintptr_t>(&header), stamp);
}

void ScriptedDriver::DeliverShort(std::uint32_t message, std::uint32_t stamp) {
  OnDriverThread([this, message, stamp] { CallInput(kMimData, message, stamp); });
}

std::size_t ScriptedDriver::DeliverSysex(std::span<const std::uint8_t> bytes, std::uint32_t stamp) {
  std::size_t returned = 0;
  OnDriverThread([&] {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
      MidiHeader* header = TakeQueuedInput();
      if (header == nullptr) {
        return;
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
    MidiHeader* header = TakeQueuedInput();
    if (header == nullptr) {
      return;
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
  OnDriverThread([&] { CallInput(message, param1, param2); });
}

MmResult ScriptedDriver::OpenEndpoint(Call call, bool knownDevice, Endpoint& endpoint,
                                      DeviceHandle own, DeviceHandle& device,
                                      DriverCallbackFn callback, std::uintptr_t instance) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(call)) {
    return failed;
  }
  if (!knownDevice) {
    return kBadDeviceId;
  }
  if (endpoint.open) {
    return kAllocated;
  }
  endpoint = {true, false, callback, instance};
  device = own;
  return kNoError;
}

MmResult ScriptedDriver::CloseEndpoint(Call call, Endpoint& endpoint, DeviceHandle own,
                                       DeviceHandle device, const std::deque<MidiHeader*>& queued) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(call)) {
      return failed;
    }
    if (device != own || !endpoint.open) {
      return kInvalidHandle;
    }
    if (!queued.empty()) {
      return kStillPlaying;
    }
    endpoint = {};
  }
  // No callback of this device runs once the close has returned.
  OnDriverThread([] {});
  return kNoError;
}

MmResult ScriptedDriver::PrepareOn(Call call, const Endpoint& endpoint, DeviceHandle own,
                                   DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(call)) {
    return failed;
  }
  if (device != own || !endpoint.open) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    ++prepared_;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

MmResult ScriptedDriver::UnprepareOn(Call call, DeviceHandle own, DeviceHandle device,
                                     MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(call)) {
    return failed;
  }
  if (device != own) {
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

MmResult ScriptedDriver::SetInputStarted(Call call, DeviceHandle device, bool started) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(call)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  in_.started = started;
  return kNoError;
}

MmResult ScriptedDriver::ErrorText(Call call, MmResult code, std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (const MmResult failed = Scripted(call)) {
      return failed;
    }
  }
  return StandardErrorText(code, text);
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
  caps.queuesShortMessages = queuesShortMessages_;
  return kNoError;
}

MmResult ScriptedDriver::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                                 DriverCallbackFn callback, std::uintptr_t instance) {
  const bool known =
      deviceId >= kMidiMapper && deviceId < static_cast<std::int64_t>(OutGetNumDevs());
  return OpenEndpoint(Call::OutOpen, known, out_, kOutHandle, device, callback, instance);
}

MmResult ScriptedDriver::OutClose(DeviceHandle device) {
  return CloseEndpoint(Call::OutClose, out_, kOutHandle, device, pendingLong_);
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
  return PrepareOn(Call::OutPrepareHeader, out_, kOutHandle, device, header);
}

MmResult ScriptedDriver::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareOn(Call::OutUnprepareHeader, kOutHandle, device, header);
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
    PostToDriverThread([this] { CompleteOldestLong(); });
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
  return ErrorText(Call::OutGetErrorText, code, text);
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
  const bool known = deviceId < InGetNumDevs();
  return OpenEndpoint(Call::InOpen, known, in_, kInHandle, device, callback, instance);
}

MmResult ScriptedDriver::InClose(DeviceHandle device) {
  return CloseEndpoint(Call::InClose, in_, kInHandle, device, queuedInput_);
}

MmResult ScriptedDriver::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return PrepareOn(Call::InPrepareHeader, in_, kInHandle, device, header);
}

MmResult ScriptedDriver::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return UnprepareOn(Call::InUnprepareHeader, kInHandle, device, header);
}

MmResult ScriptedDriver::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  std::lock_guard lock(mutex_);
  if (const MmResult failed = Scripted(Call::InAddBuffer)) {
    return failed;
  }
  if (device != kInHandle || !in_.open) {
    return kInvalidHandle;
  }
  if (const MmResult refused = MarkQueuedForInput(header)) {
    return refused;
  }
  queuedInput_.push_back(&header);
  return kNoError;
}

MmResult ScriptedDriver::InStart(DeviceHandle device) {
  return SetInputStarted(Call::InStart, device, true);
}

MmResult ScriptedDriver::InStop(DeviceHandle device) {
  return SetInputStarted(Call::InStop, device, false);
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
    in_.started = false;
  }
  OnDriverThread([this] {
    while (MidiHeader* header = TakeQueuedInput()) {
      header->dwBytesRecorded = 0;
      ReturnHeader(*header, kMimLongData, 0);
    }
  });
  return kNoError;
}

MmResult ScriptedDriver::InGetErrorText(MmResult code, std::string& text) {
  return ErrorText(Call::InGetErrorText, code, text);
}

}  // namespace morvane::midi
