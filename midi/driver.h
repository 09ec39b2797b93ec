#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "midi/mm_result.h"

namespace morvane::midi {

// An open device; 0 is no device. Drivers refuse calls on 0 with kInvalidHandle.
using DeviceHandle = std::uintptr_t;
inline constexpr DeviceHandle kNoDevice = 0;

// Output device id of the mapper: the system's first output, else the simulator.
inline constexpr std::int32_t kMidiMapper = -1;

inline constexpr std::uint32_t kHeaderDone = 0x1;
inline constexpr std::uint32_t kHeaderPrepared = 0x2;
inline constexpr std::uint32_t kHeaderInQueue = 0x4;

// A SysEx buffer as handed to a driver. lpData points to dwBufferLength bytes; on
// input the driver sets dwBytesRecorded. dwUser belongs to whoever made the header.
// The remaining fields belong to the driver that has the header.
struct MidiHeader {
  MidiHeader() = default;
  // What a driver attached is freed with the header, whether or not it was unprepared.
  ~MidiHeader() {
    if (releaseDriverData != nullptr) {
      releaseDriverData(driverData);
    }
  }
  MidiHeader(const MidiHeader&) = delete;
  MidiHeader& operator=(const MidiHeader&) = delete;

  std::uint8_t* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesRecorded = 0;
  std::uintptr_t dwUser = 0;
  std::uint32_t dwFlags = 0;
  // Output: set by a driver that reports a long message done although it did not go
  // out; the port raises the driver's text for it.
  MmResult dwResult = kNoError;
  MidiHeader* lpNext = nullptr;
  void* driverData = nullptr;
  void (*releaseDriverData)(void* driverData) = nullptr;
  // Links the header into a port's list of posted buffers once the driver is done with it.
  MidiHeader* postLink = nullptr;
};

// The add-buffer rule every backend keeps: only a prepared header that is not
// already queued can be queued, and queuing clears its done flag and byte count.
inline MmResult MarkQueuedForInput(MidiHeader& header) {
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    return kUnprepared;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
  header.dwBytesRecorded = 0;
  return kNoError;
}

// The prepare and unprepare rules of a backend that needs nothing of its own to prepare a
// header: only an open device prepares, and a header still queued cannot be unprepared.
inline MmResult MarkPrepared(bool deviceOpen, MidiHeader& header) {
  if (!deviceOpen) {
    return kInvalidHandle;
  }
  header.dwFlags |= kHeaderPrepared;
  return kNoError;
}

inline MmResult MarkUnprepared(bool deviceOpen, MidiHeader& header) {
  if (!deviceOpen) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderInQueue) != 0) {
    return kStillPlaying;
  }
  header.dwFlags &= ~kHeaderPrepared;
  return kNoError;
}

struct MidiOutCaps {
  std::uint16_t manufacturerId = 0;
  std::uint16_t productId = 0;
  std::uint32_t driverVersion = 0;
  std::string productName;
  std::uint16_t technology = 0;
  std::uint16_t voices = 0;
  std::uint16_t notes = 0;
  std::uint16_t channelMask = 0;
  std::uint32_t support = 0;
  // Short messages are queued like long ones and may still fail after OutShortMsg has
  // returned: a port that must know each message's fate sends them with OutLongMsg,
  // whose completion carries it.
  bool queuesShortMessages = false;
};

struct MidiInCaps {
  std::uint16_t manufacturerId = 0;
  std::uint16_t productId = 0;
  std::uint32_t driverVersion = 0;
  std::string productName;
  std::uint32_t support = 0;
};

// Called on a driver thread, never on the thread that called the driver. It must
// not block, allocate or throw. For kMomDone, kMimLongData and kMimLongError
// param1 is the MidiHeader*; for kMimData it is the packed short message. param2
// is the time stamp in milliseconds since input was started.
using DriverCallbackFn = void (*)(DeviceHandle device, std::uint32_t message,
                                  std::uintptr_t instance, std::uintptr_t param1,
                                  std::uintptr_t param2);

// The platform MIDI services the ports are written against. Every call except the
// callback runs on the thread that owns the ports. Once OutClose or InClose has
// returned kNoError, no callback for that device is running or will run; after any
// other result the device may still call back, so what it was given must stay.
// No call waits for a driver thread without a deadline: a device that does not let
// go in time is refused or given up, never waited for without end.
class MidiDriver {
 public:
  virtual ~MidiDriver() = default;

  virtual std::uint32_t OutGetNumDevs() = 0;
  virtual MmResult OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) = 0;
  virtual MmResult OutOpen(DeviceHandle& device, std::int32_t deviceId, DriverCallbackFn callback,
                           std::uintptr_t instance) = 0;
  virtual MmResult OutClose(DeviceHandle device) = 0;
  virtual MmResult OutShortMsg(DeviceHandle device, std::uint32_t message) = 0;
  virtual MmResult OutPrepareHeader(DeviceHandle device, MidiHeader& header) = 0;
  virtual MmResult OutUnprepareHeader(DeviceHandle device, MidiHeader& header) = 0;
  // Queues the buffer and returns at once; kMomDone follows when it has gone out, or
  // with dwResult set when it could not go out. The bytes may be a short message.
  virtual MmResult OutLongMsg(DeviceHandle device, MidiHeader& header) = 0;
  // Stops pending long messages and reports each of them done before returning.
  virtual MmResult OutReset(DeviceHandle device) = 0;
  // Fills text for a result code; fails with kBadDeviceId-like codes when there is none.
  virtual MmResult OutGetErrorText(MmResult code, std::string& text) = 0;

  virtual std::uint32_t InGetNumDevs() = 0;
  virtual MmResult InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) = 0;
  virtual MmResult InOpen(DeviceHandle& device, std::uint32_t deviceId, DriverCallbackFn callback,
                          std::uintptr_t instance) = 0;
  virtual MmResult InClose(DeviceHandle device) = 0;
  virtual MmResult InPrepareHeader(DeviceHandle device, MidiHeader& header) = 0;
  virtual MmResult InUnprepareHeader(DeviceHandle device, MidiHeader& header) = 0;
  virtual MmResult InAddBuffer(DeviceHandle device, MidiHeader& header) = 0;
  virtual MmResult InStart(DeviceHandle device) = 0;
  virtual MmResult InStop(DeviceHandle device) = 0;
  // Returns every queued buffer through the callback before it returns.
  virtual MmResult InReset(DeviceHandle device) = 0;
  virtual MmResult InGetErrorText(MmResult code, std::string& text) = 0;

  // Why devices of the system that may be there are not listed now, in the user's words
  // ("The JACK server does not answer"); empty when nothing keeps them away.
  virtual std::string DeviceTrouble() { return {}; }
};

}  // namespace morvane::midi
