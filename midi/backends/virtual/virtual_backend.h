#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "midi/driver.h"

namespace morvane::sim {
class SimulatedModule;
struct AnswerBehaviour;
struct Reply;
}  // namespace morvane::sim

namespace morvane::midi {

inline constexpr const char* kSimulatorName = "Morvane Simulator";

// In-process devices: output and input device 0, "Morvane Simulator", host a
// simulated module. What the output sends goes to the module; its replies come back
// as input (SysEx in the queued buffers, short messages as kMimData). Every callback
// runs on this backend's own thread.
class VirtualBackend final : public MidiDriver {
 public:
  enum class Pacing { Instant, WireRate };

  explicit VirtualBackend(Pacing pacing = Pacing::Instant);
  ~VirtualBackend() override;

  // SimulatedModule::SetSilent on the hosted module, between two messages it handles.
  void SetSilent(int presetNumber, bool silent);
  // SimulatedModule::SetAnswerBehaviour on the hosted module, between two messages it handles.
  void SetAnswerBehaviour(const sim::AnswerBehaviour& behaviour);
  void SetAnswerBehaviour(int presetNumber, const std::optional<sim::AnswerBehaviour>& behaviour);

  // Every pause of the simulator (an answer's delay, the wire time of a paced reply) goes
  // through wait, called on the backend's thread, which then waits until resume is called
  // from any thread. Unset, the thread sleeps. Set it while nothing is under way. An input
  // reset during such a pause returns the buffers at once; the rest of the answer follows
  // the pause.
  using Wait = std::function<void(std::chrono::microseconds time, std::function<void()> resume)>;
  void SetWait(Wait wait);
  // True when the simulator has nothing to do but wait: no message left to handle, or the one
  // under way paused in the wait.
  bool Settled();

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

 private:
  struct Work;
  struct Port;
  void Run();
  void Enqueue(Work work);
  void WaitForIdle(std::unique_lock<std::mutex>& lock);
  void Process(Work& work, std::unique_lock<std::mutex>& lock);
  void DeliverReply(const std::vector<std::uint8_t>& message, std::unique_lock<std::mutex>& lock);
  void Pause(std::chrono::microseconds time, std::unique_lock<std::mutex>& lock);
  void ReturnQueuedBuffers(std::unique_lock<std::mutex>& lock);
  std::uint32_t Stamp() const;
  // What the output and input devices share.
  MmResult OpenOn(Port& port, DeviceHandle own, DeviceHandle& device, DriverCallbackFn callback,
                  std::uintptr_t instance);
  MmResult CloseOn(Port& port, DeviceHandle own, DeviceHandle device);
  static MmResult PrepareOn(DeviceHandle own, DeviceHandle device, MidiHeader& header);
  MmResult UnprepareOn(DeviceHandle own, DeviceHandle device, MidiHeader& header);

  Pacing pacing_;
  std::unique_ptr<sim::SimulatedModule> module_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Work> work_;
  bool busy_ = false;
  bool stopping_ = false;
  Wait wait_;
  struct PauseGate;
  // The pause under way in wait_, if any; resume or the destructor opens it.
  std::shared_ptr<PauseGate> pause_;
  std::unique_ptr<Port> out_;
  std::unique_ptr<Port> in_;
  std::thread thread_;
};

}  // namespace morvane::midi
