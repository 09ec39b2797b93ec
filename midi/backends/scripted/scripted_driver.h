#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "midi/driver.h"

namespace morvane::midi {

// A driver for tests: it fails on demand and delivers callbacks on demand, from a
// thread of its own or, for fuzzing, on the caller's thread. Each Deliver/Complete
// call returns once its callbacks have run. Output device -1 is its mapper.
class ScriptedDriver final : public MidiDriver {
 public:
  // Where the callbacks run. Caller keeps thread switches out of fuzzing, where they
  // cost far more than the code under test; the thread tests use Own.
  enum class CallbackThread { Own, Caller };
  enum class Call {
    OutGetDevCaps,
    OutOpen,
    OutClose,
    OutShortMsg,
    OutPrepareHeader,
    OutUnprepareHeader,
    OutLongMsg,
    OutReset,
    OutGetErrorText,
    InGetDevCaps,
    InOpen,
    InClose,
    InPrepareHeader,
    InUnprepareHeader,
    InAddBuffer,
    InStart,
    InStop,
    InReset,
    InGetErrorText
  };
  static constexpr std::size_t kCallKinds = static_cast<std::size_t>(Call::InGetErrorText) + 1;
  static constexpr int kAlways = -1;

  ScriptedDriver(std::vector<std::string> outputNames, std::vector<std::string> inputNames,
                 CallbackThread callbackThread = CallbackThread::Own);
  ~ScriptedDriver() override;

  // Back to the state of a new driver: devices closed, nothing recorded, no failure
  // scripted, the given device counts. Buffers still queued are forgotten, never touched.
  void Reset();

  // The next `times` calls (or all, kAlways) of this kind fail with result.
  void Fail(Call call, MmResult result, int times = 1);
  void ClearFailures();
  // Changes the counts the driver reports; names repeat "Device N" past the given ones.
  void SetDeviceCounts(std::uint32_t outputs, std::uint32_t inputs);
  // Long messages are reported done at once, on the driver thread, without waiting.
  void SetAutoComplete(bool autoComplete);
  // The output devices say that they queue short messages (the ports then send them
  // as buffers, which CompleteLong reports like the others).
  void SetQueuesShortMessages(bool queues);
  // What DeviceTrouble says, as a system whose server does not answer (empty: nothing).
  void SetDeviceTrouble(std::string trouble) { trouble_ = std::move(trouble); }

  // What reached the driver.
  std::vector<std::uint32_t> ShortMessages() const;
  std::vector<DeviceHandle> ShortMessageHandles() const;
  std::vector<std::vector<std::uint8_t>> LongMessages() const;
  std::size_t PendingLongCount() const;
  std::size_t QueuedInputBuffers() const;
  std::size_t PreparedHeaders() const;
  int CallCount(Call call) const;
  bool OutputOpen() const;
  bool InputOpen() const;
  bool InputStarted() const;

  // Reports the oldest pending long messages done (kMomDone), count of them; a
  // result other than kNoError marks them as not sent.
  void CompleteLong(std::size_t count = 1, MmResult result = kNoError);
  // The input device goes away while open, as when it is unplugged: its handle is no
  // longer valid, its queued buffers are dropped without a callback, and it can be
  // opened again.
  void UnplugInput();
  // The open devices go away as when their server stops: pending long messages are
  // reported done with reason, then each open device tells kDeviceLost with it.
  void LoseDevices(MmResult reason);
  void DeliverShort(std::uint32_t message, std::uint32_t stamp = 0);
  // Fills the queued buffers in order, a message longer than one continuing in the
  // next; a buffer is returned when the message ends or it is full. Returns how many
  // buffers were returned.
  std::size_t DeliverSysex(std::span<const std::uint8_t> bytes, std::uint32_t stamp = 0);
  // Returns the oldest queued buffer holding these bytes (cut to its length) with
  // kMimLongData or kMimLongError. False when no buffer is queued.
  bool ReturnBuffer(std::span<const std::uint8_t> bytes, std::uint32_t message = kMimLongData,
                    std::uint32_t stamp = 0);
  // Any callback at all, as a faulty driver might send it.
  void DeliverRaw(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2);

  std::uint32_t OutGetNumDevs() override;
  MmResult OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) override;
  MmResult OutOpen(DeviceHandle& device, std::int32_t deviceId, DriverCallbackFn callback,
                   std::uintptr_t instance) override;
  MmResult OutClose(DeviceHandle device) override;
  MmResult OutShortMsg(DeviceHandle device, std::uint32_t message) override;
  MmResult OutPrepareHeader(DeviceHandle device, MidiHeader& header) override;
  MmResult OutUnprepareHeader(DeviceHandle device, MidiHeader& header) override;
  MmResult OutLongMsg(DeviceHandle device, MidiHeader& header) override;
  MmResult OutReset(DeviceHandle device) override;
  MmResult OutGetErrorText(MmResult code, std::string& text) override;

  std::uint32_t InGetNumDevs() override;
  MmResult InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) override;
  MmResult InOpen(DeviceHandle& device, std::uint32_t deviceId, DriverCallbackFn callback,
                  std::uintptr_t instance) override;
  MmResult InClose(DeviceHandle device) override;
  MmResult InPrepareHeader(DeviceHandle device, MidiHeader& header) override;
  MmResult InUnprepareHeader(DeviceHandle device, MidiHeader& header) override;
  MmResult InAddBuffer(DeviceHandle device, MidiHeader& header) override;
  MmResult InStart(DeviceHandle device) override;
  MmResult InStop(DeviceHandle device) override;
  MmResult InReset(DeviceHandle device) override;
  MmResult InGetErrorText(MmResult code, std::string& text) override;
  std::string DeviceTrouble() override { return trouble_; }

 private:
  struct Endpoint {
    bool open = false;
    bool started = false;
    DriverCallbackFn callback = nullptr;
    std::uintptr_t instance = 0;
  };
  static constexpr DeviceHandle kOutHandle = 0x10;
  static constexpr DeviceHandle kInHandle = 0x20;

  MmResult Scripted(Call call);
  std::string NameOf(const std::vector<std::string>& names, std::size_t index) const;
  // Runs task on the driver thread and waits for it.
  void OnDriverThread(std::function<void()> task);
  // Queues task for the driver thread; with CallbackThread::Caller it runs before the
  // next OnDriverThread task.
  void PostToDriverThread(std::function<void()> task);
  void RunPostedOnCaller();
  void Run();
  void ReturnHeader(MidiHeader& header, std::uint32_t message, std::uint32_t stamp);
  // Driver thread: the input callback, if the input is open.
  void CallInput(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2);
  MidiHeader* TakeQueuedInput();
  bool CompleteOldestLong(MmResult result = kNoError);

  // What the out and in sides share; each names its Call, endpoint and handle.
  MmResult OpenEndpoint(Call call, bool knownDevice, Endpoint& endpoint, DeviceHandle own,
                        DeviceHandle& device, DriverCallbackFn callback, std::uintptr_t instance);
  // Refused with kStillPlaying while queued holds buffers.
  MmResult CloseEndpoint(Call call, Endpoint& endpoint, DeviceHandle own, DeviceHandle device,
                         const std::deque<MidiHeader*>& queued);
  MmResult PrepareOn(Call call, const Endpoint& endpoint, DeviceHandle own, DeviceHandle device,
                     MidiHeader& header);
  MmResult UnprepareOn(Call call, DeviceHandle own, DeviceHandle device, MidiHeader& header);
  MmResult SetInputStarted(Call call, DeviceHandle device, bool started);
  MmResult ErrorText(Call call, MmResult code, std::string& text);

  mutable std::mutex mutex_;
  struct Failure {
    MmResult result = kNoError;
    int times = 0;
  };
  // Indexed by Call: every driver call looks here, so no tree.
  std::array<Failure, kCallKinds> failures_{};
  std::array<int, kCallKinds> calls_{};
  std::vector<std::string> outputNames_;
  std::vector<std::string> inputNames_;
  std::uint32_t outputCount_;
  std::uint32_t inputCount_;
  bool autoComplete_ = false;
  bool queuesShortMessages_ = false;
  std::string trouble_;
  Endpoint out_;
  Endpoint in_;
  std::vector<std::uint32_t> shortMessages_;
  std::vector<DeviceHandle> shortHandles_;
  std::vector<std::vector<std::uint8_t>> longMessages_;
  std::deque<MidiHeader*> pendingLong_;
  std::deque<MidiHeader*> queuedInput_;
  std::size_t prepared_ = 0;

  std::mutex taskMutex_;
  std::condition_variable taskReady_;
  std::condition_variable taskDone_;
  std::deque<std::function<void()>> tasks_;
  std::size_t tasksFinished_ = 0;
  std::size_t tasksPosted_ = 0;
  bool stopping_ = false;
  const CallbackThread callbackThread_;
  std::thread thread_;
};

}  // namespace morvane::midi
