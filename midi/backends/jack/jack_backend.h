#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/driver.h"
#include "midi/failure_texts.h"

namespace morvane::midi {

class JackConnection;
class JackWorker;
struct JackOpening;

// The MIDI ports of a JACK server, driven through libjack: one client for the whole
// process, its process thread writing and reading our ports. Devices are the server's
// MIDI ports by their full names ("client:port"), in the order the server lists them,
// without this process's own. When the server stops or dies, every open device fails
// what it holds and tells its port (kDeviceLost); a server started later is found at
// the next look at the devices. With no server nothing is printed and looking costs no
// more than a look at the server's socket file. MORVANE_MIDI_API set to another API
// leaves the backend without devices.
//
// Every libjack call that talks to the server runs on a worker and is waited for at most
// JackWorker::kDeadline. A server that does not answer in time (stopped with SIGSTOP) is given
// up like one that died, and the backend lists no devices, says so in DeviceTrouble and asks
// the server nothing more until the call it missed has returned; the next look after that
// finds the server's devices again.
class JackBackend final : public MidiDriver {
 public:
  // After a server did not answer, it is asked again no sooner than this.
  static constexpr std::chrono::milliseconds kRetryInterval{300};
  // How long closing a device waits for a running server to take what it still holds.
  static constexpr std::chrono::milliseconds kDrainDeadline{500};
  // Our codes follow those of the RtMidi backend, so that one device list can hold both.
  static constexpr MmResult kFirstCode = 0x20000;

  // With an ownPortName the backend's one device, in either direction, is a port of its own
  // by that name, which other clients connect to (the ports a simulated module offers);
  // opening it makes the port and connects nothing.
  explicit JackBackend(std::string ownClientName = "morvane-editor", std::string ownPortName = {});
  ~JackBackend() override;
  JackBackend(const JackBackend&) = delete;
  JackBackend& operator=(const JackBackend&) = delete;

  // False when MORVANE_MIDI_API names another API.
  bool Enabled() const { return enabled_; }
  // True while a server answers.
  bool Connected();

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
  std::string DeviceTrouble() override;

 private:
  // The live connection, or a new one when a server answers; null when none does.
  std::shared_ptr<JackConnection> Connection();
  // The server's MIDI ports with these flags (JackPortIsInput for our outputs).
  std::vector<std::string> Ports(unsigned long flags);
  // Lets go of a connection whose server has gone or was given up.
  void ForgetLostConnection();
  // Runs call on the worker; a server that does not answer in time is given up.
  bool Ask(std::function<void()> call);
  // Registers a port of ours named base (or base-2, base-3, ...) and connects it;
  // null with a result code on failure.
  MmResult OpenPort(const std::shared_ptr<JackConnection>& connection, const char* base,
                    unsigned long flags, const std::string& target, bool targetIsSource,
                    void*& port);
  // What an open finds when the device is not there.
  MmResult NoDevice() const;
  MmResult ErrorText(MmResult code, std::string& text) const;
  MmResult Failure(const std::string& text, const std::string& detail);

  std::string ownClientName_;
  std::string ownPortName_;
  bool enabled_ = true;
  // MORVANE_MIDI_API=jack: libjack's messages reach the terminal.
  bool named_ = false;
  FailureTexts texts_{kFirstCode};
  MmResult noServer_;
  MmResult serverStopped_;
  MmResult notAnswering_;
  MmResult tooLong_;
  MmResult gaveUp_;
  MmResult reset_;
  std::shared_ptr<JackWorker> worker_;
  std::shared_ptr<JackConnection> connection_;
  std::unique_ptr<JackOpening> lateOpen_;
  std::chrono::steady_clock::time_point lastFailedAttempt_{};
  bool failedAttempt_ = false;
};

}  // namespace morvane::midi
