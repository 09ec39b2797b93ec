#include "midi/device_list.h"

#include <new>

#include "midi/error_texts.h"

namespace morvane::midi {

void DeviceList::Add(std::shared_ptr<MidiDriver> backend, bool mapperBackend) {
  if (mapperBackend) {
    mapperBackends_.push_back(backend.get());
  }
  backends_.push_back(std::move(backend));
}

DeviceList::Location DeviceList::Locate(std::int64_t deviceId,
                                        std::uint32_t (MidiDriver::*count)()) const {
  std::int64_t id = deviceId;
  for (const auto& backend : backends_) {
    const std::int64_t devices = ((*backend).*count)();
    if (id < devices) {
      return {backend.get(), id};
    }
    id -= devices;
  }
  return {};
}

DeviceList::Location DeviceList::LocateOut(std::int32_t deviceId) {
  if (deviceId == kMidiMapper) {
    for (MidiDriver* backend : mapperBackends_) {
      if (backend->OutGetNumDevs() > 0) {
        return {backend, 0};
      }
    }
    deviceId = 0;
  }
  if (deviceId < 0) {
    return {};
  }
  return Locate(deviceId, &MidiDriver::OutGetNumDevs);
}

DeviceList::Location DeviceList::LocateIn(std::uint32_t deviceId) {
  return Locate(deviceId, &MidiDriver::InGetNumDevs);
}

std::uint32_t DeviceList::Total(std::uint32_t (MidiDriver::*count)()) const {
  std::uint32_t total = 0;
  for (const auto& backend : backends_) {
    total += ((*backend).*count)();
  }
  return total;
}

template <typename OpenOn>
MmResult DeviceList::OpenAt(const Location& at, DeviceHandle& device, OpenOn open) {
  if (at.backend == nullptr) {
    return kBadDeviceId;
  }
  auto* opened = new (std::nothrow) OpenDevice{at.backend, kNoDevice};
  if (opened == nullptr) {
    return kNoMemory;
  }
  const MmResult result = open(*at.backend, opened->inner);
  if (result != kNoError) {
    delete opened;
    return result;
  }
  device = reinterpret_cast<DeviceHandle>(opened);
  return kNoError;
}

template <typename Call>
MmResult DeviceList::Forward(DeviceHandle device, Call call) {
  if (device == kNoDevice) {
    return kInvalidHandle;
  }
  OpenDevice& opened = *Open(device);
  return call(*opened.backend, opened.inner);
}

MmResult DeviceList::CloseDevice(DeviceHandle device, MmResult (MidiDriver::*close)(DeviceHandle)) {
  const MmResult result = Forward(
      device, [close](MidiDriver& backend, DeviceHandle inner) { return (backend.*close)(inner); });
  if (result == kNoError) {
    delete Open(device);
  }
  return result;
}

MmResult DeviceList::ErrorText(MmResult code, std::string& text,
                               MmResult (MidiDriver::*errorText)(MmResult, std::string&)) {
  // The system's texts first: its codes are the ones that need its wording.
  for (auto backend = backends_.rbegin(); backend != backends_.rend(); ++backend) {
    if (((**backend).*errorText)(code, text) == kNoError) {
      return kNoError;
    }
  }
  return StandardErrorText(code, text);
}

std::uint32_t DeviceList::OutGetNumDevs() {
  return Total(&MidiDriver::OutGetNumDevs);
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
  return OpenAt(at, device, [&](MidiDriver& backend, DeviceHandle& inner) {
    return backend.OutOpen(inner, static_cast<std::int32_t>(at.id), callback, instance);
  });
}

MmResult DeviceList::OutClose(DeviceHandle device) {
  return CloseDevice(device, &MidiDriver::OutClose);
}

MmResult DeviceList::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  return Forward(device, [message](MidiDriver& backend, DeviceHandle inner) {
    return backend.OutShortMsg(inner, message);
  });
}

MmResult DeviceList::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.OutPrepareHeader(inner, header);
  });
}

MmResult DeviceList::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.OutUnprepareHeader(inner, header);
  });
}

MmResult DeviceList::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.OutLongMsg(inner, header);
  });
}

MmResult DeviceList::OutReset(DeviceHandle device) {
  return Forward(device,
                 [](MidiDriver& backend, DeviceHandle inner) { return backend.OutReset(inner); });
}

MmResult DeviceList::OutGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text, &MidiDriver::OutGetErrorText);
}

std::uint32_t DeviceList::InGetNumDevs() {
  return Total(&MidiDriver::InGetNumDevs);
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
  return OpenAt(at, device, [&](MidiDriver& backend, DeviceHandle& inner) {
    return backend.InOpen(inner, static_cast<std::uint32_t>(at.id), callback, instance);
  });
}

MmResult DeviceList::InClose(DeviceHandle device) {
  return CloseDevice(device, &MidiDriver::InClose);
}

MmResult DeviceList::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.InPrepareHeader(inner, header);
  });
}

MmResult DeviceList::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.InUnprepareHeader(inner, header);
  });
}

MmResult DeviceList::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  return Forward(device, [&header](MidiDriver& backend, DeviceHandle inner) {
    return backend.InAddBuffer(inner, header);
  });
}

MmResult DeviceList::InStart(DeviceHandle device) {
  return Forward(device,
                 [](MidiDriver& backend, DeviceHandle inner) { return backend.InStart(inner); });
}

MmResult DeviceList::InStop(DeviceHandle device) {
  return Forward(device,
                 [](MidiDriver& backend, DeviceHandle inner) { return backend.InStop(inner); });
}

MmResult DeviceList::InReset(DeviceHandle device) {
  return Forward(device,
                 [](MidiDriver& backend, DeviceHandle inner) { return backend.InReset(inner); });
}

MmResult DeviceList::InGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text, &MidiDriver::InGetErrorText);
}

std::string DeviceList::DeviceTrouble() {
  std::string troubles;
  for (const auto& backend : backends_) {
    if (const std::string trouble = backend->DeviceTrouble(); !trouble.empty()) {
      troubles += (troubles.empty() ? "" : "; ") + trouble;
    }
  }
  return troubles;
}

}  // namespace morvane::midi
