#pragma once

#include <algorithm>
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
  // The ring's records once filled a block of at most 65535 bytes, 12 bytes each.
  static constexpr std::uint16_t kMaxCapacity = 5461;

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
  // Takes effect when the ring is next made, at the next open; at most kMaxCapacity.
  void SetCapacity(std::uint16_t capacity) { FCapacity = std::min(capacity, kMaxCapacity); }
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
  // Reads the system's count again, for a new look at the devices while the program runs.
  void RefreshDeviceCount();
  // The driver's text for a result code, as the port raises it.
  std::string ResultText(MmResult result);

  // Never raises; State tells whether the device opened (Error tells why not).
  // Callers close before they open: on a port that is open already the open is
  // refused with kAllocated and the open device keeps its ring and buffers. A device
  // whose close was refused is closed again first; each open starts with an empty
  // ring of Capacity records.
  virtual void OpenPort();
  virtual void StartInput();
  virtual void StopInput();
  virtual void ClosePort();
  std::uint16_t PendingCount() const;
  // The oldest waiting event, or null when none is waiting or the port is not open.
  // When its buffer cannot be handed back to the driver, that is raised once and the
  // record stays; the next call tries once more and returns the event either way,
  // the buffer then staying out of the pool until the port is closed.
  std::unique_ptr<TMyMidiEvent> TakeEvent();

  std::function<void(TMidiInput& sender)> OnMidiInput;
  std::function<void(TMidiInput& sender)> OnOverflow;
  // Every event TakeEvent hands out, on the owner thread, just before it is returned.
  std::function<void(const TMyMidiEvent& event)> OnEventTaken;
  // The open device went away (its server stopped, its cable was pulled): the port has
  // closed it and tells the driver's text. Unassigned, the text is raised instead.
  std::function<void(const std::string& text)> OnDeviceLost;

 private:
  [[noreturn]] void RaiseResult(MmResult result);
  void Check(MmResult result);
  void PrepareSysexBuffers();
  void QueueSysexBuffers();
  void ReleaseSysexBuffers();
  void ReleaseDevice() noexcept;
  // Resets, unprepares and closes the device if one is held, then drops the ring.
  void GiveBackDevice() noexcept;
  void Requeue(MidiHeader& header);
  void HandleMessage(std::uint32_t message, MidiHeader* header);
  void HandleLoss();

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
  // The buffer whose hand-back failed and was reported, while its record waits.
  MidiHeader* FReportedHeader = nullptr;
  // Devices that refused every close, with the record and buffers they may still use.
  struct TLeftover {
    CallbackRecord* record;
    std::vector<std::unique_ptr<TMyMidiHdr>> buffers;
  };
  std::vector<TLeftover> FLeftovers;
};

}  // namespace morvane::midi
