#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/driver.h"

namespace morvane::midi {

// Several backends seen as one driver. Devices are numbered backend by backend in
// the order the backends were added; the mapper (-1) is the first output of the first
// backend named as the mapper's that has one, or the first output of all when none has.
class DeviceList final : public MidiDriver {
 public:
  // The list keeps the backends alive.
  void Add(std::shared_ptr<MidiDriver> backend, bool mapperBackend = false);

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
  // Every backend's trouble, joined.
  std::string DeviceTrouble() override;

 private:
  struct OpenDevice {
    MidiDriver* backend;
    DeviceHandle inner;
  };
  struct Location {
    MidiDriver* backend = nullptr;
    std::int64_t id = 0;
  };
  // The out and in sides differ only in the driver calls they make.
  Location Locate(std::int64_t deviceId, std::uint32_t (MidiDriver::*count)()) const;
  Location LocateOut(std::int32_t deviceId);
  Location LocateIn(std::uint32_t deviceId);
  std::uint32_t Total(std::uint32_t (MidiDriver::*count)()) const;
  template <typename OpenOn>
  static MmResult OpenAt(const Location& at, DeviceHandle& device, OpenOn open);
  // Runs call(backend, inner handle) for an open device; kInvalidHandle for none.
  template <typename Call>
  static MmResult Forward(DeviceHandle device, Call call);
  static MmResult CloseDevice(DeviceHandle device, MmResult (MidiDriver::*close)(DeviceHandle));
  MmResult ErrorText(MmResult code, std::string& text,
                     MmResult (MidiDriver::*errorText)(MmResult, std::string&));
  static OpenDevice* Open(DeviceHandle device) { return reinterpret_cast<OpenDevice*>(device); }

  std::vector<std::shared_ptr<MidiDriver>> backends_;
  std::vector<MidiDriver*> mapperBackends_;
};

}  // namespace morvane::midi
