#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/driver.h"

namespace morvane::midi {

// Several backends seen as one driver. Devices are numbered backend by backend in
// the order the backends were added; the mapper (-1) is the first output of the
// backend named as the mapper's, or the first output of all when it has none.
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

 private:
  struct OpenDevice {
    MidiDriver* backend;
    DeviceHandle inner;
  };
  struct Location {
    MidiDriver* backend = nullptr;
    std::int64_t id = 0;
  };
  Location LocateOut(std::int32_t deviceId);
  Location LocateIn(std::uint32_t deviceId);
  static OpenDevice* Open(DeviceHandle device) { return reinterpret_cast<OpenDevice*>(device); }

  std::vector<std::shared_ptr<MidiDriver>> backends_;
  MidiDriver* mapperBackend_ = nullptr;
};

}  // namespace morvane::midi
