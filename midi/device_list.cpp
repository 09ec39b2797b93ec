#include "midi/device_list.h"

#include <new>

#include "midi/error_texts.h"

namespace morvane::midi {

void DeviceList::Add(std::shared_ptr<MidiDriver> backend, bool mapperBackend) {
  if (mapperBackend) {
    mapperBackend_ = backend.get();
  }
  backends_.push_back(std::move(backend));
}

DeviceList::Location DeviceList::LocateOut(std::int32_t deviceId) {
  if (deviceId == kMidiMapper) {
    if (mapperBackend_ != nullptr && mapperBackend_->OutGetNumDevs() > 0) {
      return {mapperBackend_, 0};
    }
    deviceId = 0;
  }
  if (deviceId < 0) {
    return {};
  }
  std::int64_t id = deviceId;
  for (const auto& backend : backends_) {
    const std::int64_t count = backend->OutGetNumDevs();
    if (id < count) {
      return {backend.get(), id};
    }
    id -= count;
  }
  return {};
}

DeviceList::Location DeviceList::LocateIn(std::uint32_t deviceId) {
  std::int64_t id = deviceId;
  for (const auto& backend : backends_) {
    const std::int64_t count = backend->InGetNumDevs();
    if (id < count) {
      return {backend.get(), id};
    }
    id -= count;
  }
  return {};
}

std::uint32_t DeviceList::OutGetNumDevs() {
  std::uint32_t count = 0;
  for (const auto& backend : backends_) {
    count += backend->OutGetNumDevs();
  }
  return count;
}

MmResult DeviceList::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  const Location at = LocateOut(deviceId);
  if (at.backend == nullptr) {
    return kBadDeviceId;
  }
  return at.backend->OutGetDevCaps(static_cast<std::int32_t>(at.id), caps);
}

MmResult DeviceList::OutOpen(DeviceHandle& device, std::int32_t deviceId, DriverCallbackFn callback,
                             std::uintptr_t instance) {
  const Location at = LocateOut(deviceId);
  if (at.backend == nullptr) {
    return kBadDeviceId;
  }
  auto* open = new (std::nothrow) OpenDevice{at.backend, kNoDevice};
  if (open == nullptr) {
    return kNoMemory;
  }
  const MmResult result =
      at.backend->OutOpen(open->inner, static_cast<std::int32_t>(at.id), callback, instance);
  if (result != kNoError) {
    delete open;
    return result;
  }
  device = reinterpret_cast<DeviceHandle>(open);
  return kNoError;
}

MmResult DeviceList::OutClose(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  const MmResult result = Open(device)->backend->OutClose(Open(device)->inner);
  if (result == kNoError) {
    delete Open(device);
  }
  return result;
}

MmResult DeviceList::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->OutShortMsg(Open(device)->inner, message);
}

MmResult DeviceList::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->OutPrepareHeader(Open(device)->inner, header);
}

MmResult DeviceList::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->OutUnprepareHeader(Open(device)->inner, header);
}

MmResult DeviceList::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->OutLongMsg(Open(device)->inner, header);
}

MmResult DeviceList::OutReset(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->OutReset(Open(device)->inner);
}

MmResult DeviceList::OutGetErrorText(MmResult code, std::string& text) {
  // The system's texts first: its codes are the ones that need its wording.
  for (auto backend = backends_.rbegin(); backend != backends_.rend(); ++backend) {
    if ((*backend)->OutGetErrorText(code, text) == kNoError) {
      return kNoError;
    }
  }
  return StandardErrorText(code, text);
}

std::uint32_t DeviceList::InGetNumDevs() {
  std::uint32_t count = 0;
  for (const auto& backend : backends_) {
    count += backend->InGetNumDevs();
  }
  return count;
}

MmResult DeviceList::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  const Location at = LocateIn(deviceId);
  if (at.backend == nullptr) {
    return kBadDeviceId;
  }
  return at.backend->InGetDevCaps(static_cast<std::uint32_t>(at.id), caps);
}

MmResult DeviceList::InOpen(DeviceHandle& device, std::uint32_t deviceId, DriverCallbackFn callback,
                            std::uintptr_t instance) {
  const Location at = LocateIn(deviceId);
  if (at.backend == nullptr) {
    return kBadDeviceId;
  }
  auto* open = new (std::nothrow) OpenDevice{at.backend, kNoDevice};
  if (open == nullptr) {
    return kNoMemory;
  }
  const MmResult result =
      at.backend->InOpen(open->inner, static_cast<std::uint32_t>(at.id), callback, instance);
  if (result != kNoError) {
    delete open;
    return result;
  }
  device = reinterpret_cast<DeviceHandle>(open);
  return kNoError;
}

MmResult DeviceList::InClose(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  const MmResult result = Open(device)->backend->InClose(Open(device)->inner);
  if (result == kNoError) {
    delete Open(device);
  }
  return result;
}

MmResult DeviceList::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InPrepareHeader(Open(device)->inner, header);
}

MmResult DeviceList::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InUnprepareHeader(Open(device)->inner, header);
}

MmResult DeviceList::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InAddBuffer(Open(device)->inner, header);
}

MmResult DeviceList::InStart(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InStart(Open(device)->inner);
}

MmResult DeviceList::InStop(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InStop(Open(device)->inner);
}

MmResult DeviceList::InReset(DeviceHandle device) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  return Open(device)->backend->InReset(Open(device)->inner);
}

MmResult DeviceList::InGetErrorText(MmResult code, std::string& text) {
  // The system's texts first: its codes are the ones that need its wording.
  for (auto backend = backends_.rbegin(); backend != backends_.rend(); ++backend) {
    if ((*backend)->InGetErrorText(code, text) == kNoError) {
      return kNoError;
    }
  }
  return StandardErrorText(code, text);
}

}  // namespace morvane::midi
