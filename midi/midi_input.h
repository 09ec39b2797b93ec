#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/callback_record.h"
#include "midi/driver.h"
#include "midi/event_ring.h"
#include "midi/gui_thread.h"
#include "midi/midi_errors.h"
#include "midi/my_midi_event.h"
#include "midi/my_midi_hdr.h"
#include "midi/notify_window.h"
#include "midi/platform_driver.h"

namespace morvane::midi {

enum MidiInputState { misOpen, misClosed, misCreating, misDestroying };

// One MIDI input device. The driver callback files events into a ring and wakes
// the owner thread, where OnMidiInput fires once per stored record and the owner
// takes events with TakeEvent while PendingCount is not 0.
class TMidiInput {
 public:
  static constexpr std::uint16_t kDefaultCapacity = 1024;
  static constexpr std::uint16_t kDefaultSysexBufferSize = 4096;
  static constexpr std::uint16_t kDefaultSysexBufferCount = 16;

  // Raises "Invalid device ID" when the system has no input device.
  explicit TMidiInput(GuiThread& gui, MidiDriver& driver = PlatformDriver());
  virtual ~TMidiInput();
  TMidiInput(const TMidiInput&) = delete;
  TMidiInput& operator=(const TMidiInput&) = delete;

  std::uint16_t DeviceID() const { return FDeviceID; }
  void SetDeviceID(std::uint16_t id);
  const std::string& ProductName() const { return FProductName; }
  void SetProductName(const std::string& name);
  MidiInputState State() const { return FState; }
  std::uint16_t Capacity() const { return FCapacity; }
  void SetCapacity(std::uint16_t capacity) { FCapacity = capacity; }
  MmResult Error() const { return FError; }
  std::uint16_t SysexBufferSize() const { return FSysexBufferSize; }
  void SetSysexBufferSize(std::uint16_t size);
  std::uint16_t SysexBufferCount() const { return FSysexBufferCount; }
  void SetSysexBufferCount(std::uint16_t count);
  bool SysexOnly() const { return FSysexOnly; }
  void SetSysexOnly(bool sysexOnly);
  std::uint32_t DriverVersion() const { return FDriverVersion; }
  std::uint16_t ManufacturerId() const { return FManufacturerId; }
  std::uint16_t ProductId() const { return FProductId; }
  std::uint16_t DeviceCount() const { return FDeviceCount; }

  // Never raises; State tells whether the device opened (Error tells why not).
  virtual void OpenPort();
  virtual void StartInput();
  virtual void StopInput();
  virtual void ClosePort();
  std::uint16_t PendingCount() const;
  // The oldest waiting event, or null when none is waiting or the port is not open.
  std::unique_ptr<TMyMidiEvent> TakeEvent();

  std::function<void(TMidiInput& sender)> OnMidiInput;
  std::function<void(TMidiInput& sender)> OnOverflow;

 private:
  [[noreturn]] void RaiseResult(MmResult result);
  void Check(MmResult result);
  void PrepareSysexBuffers();
  void QueueSysexBuffers();
  void ReleaseSysexBuffers();
  void ReleaseDevice() noexcept;
  void Requeue(MidiHeader& header);
  void HandleMessage(std::uint32_t message, MidiHeader* header);

  MidiDriver& FDriver;
  midi::NotifyWindow FNotifyWindow;
  std::uint16_t FDeviceID = 0;
  DeviceHandle FHandle = kNoDevice;
  MidiInputState FState = misCreating;
  MmResult FError = kNoError;
  bool FSysexOnly = false;
  std::uint32_t FDriverVersion = 0;
  std::string FProductName;
  std::uint16_t FManufacturerId = 0;
  std::uint16_t FProductId = 0;
  std::uint16_t FCapacity = kDefaultCapacity;
  std::unique_ptr<EventRing> FRing;
  std::uint16_t FDeviceCount = 0;
  std::uint16_t FSysexBufferSize = kDefaultSysexBufferSize;
  std::uint16_t FSysexBufferCount = kDefaultSysexBufferCount;
  std::vector<std::unique_ptr<TMyMidiHdr>> FBuffers;
  CallbackRecord* FCallbackRecord = nullptr;
};

}  // namespace morvane::midi
