#include "midi/backends/winmm/winmm_backend.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <new>

namespace morvane::midi {

namespace {
constexpr UINT kErrorTextLength = 128;

struct Opened {
  HANDLE handle = nullptr;
  DriverCallbackFn callback = nullptr;
  std::uintptr_t instance = 0;
};

Opened* AsOpened(DeviceHandle device) {
  return reinterpret_cast<Opened*>(device);
}

MIDIHDR* PlatformHeader(MidiHeader& header) {
  return static_cast<MIDIHDR*>(header.driverData);
}

// The system's header leads back to ours through dwUser; what the driver recorded
// is copied over before the port sees the header.
std::uintptr_t OurHeader(DWORD_PTR param) {
  auto* platform = reinterpret_cast<MIDIHDR*>(param);
  auto* ours = reinterpret_cast<MidiHeader*>(platform->dwUser);
  ours->dwBytesRecorded = platform->dwBytesRecorded;
  ours->dwFlags = platform->dwFlags;
  return reinterpret_cast<std::uintptr_t>(ours);
}

void CALLBACK OutProc(HMIDIOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                      DWORD_PTR param2) {
  auto* opened = reinterpret_cast<Opened*>(instance);
  if (message == MOM_DONE && param1 != 0) {
    param1 = OurHeader(param1);
  }
  opened->callback(reinterpret_cast<DeviceHandle>(opened), message, opened->instance, param1,
                   param2);
}

void CALLBACK InProc(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                     DWORD_PTR param2) {
  auto* opened = reinterpret_cast<Opened*>(instance);
  if ((message == MIM_LONGDATA || message == MIM_LONGERROR) && param1 != 0) {
    param1 = OurHeader(param1);
  }
  opened->callback(reinterpret_cast<DeviceHandle>(opened), message, opened->instance, param1,
                   param2);
}

HMIDIOUT Out(DeviceHandle device) {
  return static_cast<HMIDIOUT>(AsOpened(device)->handle);
}
HMIDIIN In(DeviceHandle device) {
  return static_cast<HMIDIIN>(AsOpened(device)->handle);
}

MmResult MakePlatformHeader(MidiHeader& header) {
  auto* platform = new (std::nothrow) MIDIHDR{};
  if (platform == nullptr) {
    return MMSYSERR_NOMEM;
  }
  platform->lpData = reinterpret_cast<LPSTR>(header.lpData);
  platform->dwBufferLength = header.dwBufferLength;
  platform->dwUser = reinterpret_cast<DWORD_PTR>(&header);
  header.driverData = platform;
  return MMSYSERR_NOERROR;
}

void DropPlatformHeader(MidiHeader& header) {
  delete PlatformHeader(header);
  header.driverData = nullptr;
}
}  // namespace

std::uint32_t WinmmBackend::OutGetNumDevs() {
  return midiOutGetNumDevs();
}

MmResult WinmmBackend::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  MIDIOUTCAPSA platform{};
  const MMRESULT result = midiOutGetDevCapsA(static_cast<UINT_PTR>(static_cast<UINT>(deviceId)),
                                             &platform, sizeof(platform));
  if (result == MMSYSERR_NOERROR) {
    caps.manufacturerId = platform.wMid;
    caps.productId = platform.wPid;
    caps.driverVersion = platform.vDriverVersion;
    caps.productName = platform.szPname;
    caps.technology = platform.wTechnology;
    caps.voices = platform.wVoices;
    caps.notes = platform.wNotes;
    caps.channelMask = platform.wChannelMask;
    caps.support = platform.dwSupport;
  }
  return result;
}

MmResult WinmmBackend::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                               DriverCallbackFn callback, std::uintptr_t instance) {
  auto* opened = new (std::nothrow) Opened{nullptr, callback, instance};
  if (opened == nullptr) {
    return MMSYSERR_NOMEM;
  }
  HMIDIOUT handle = nullptr;
  const MMRESULT result =
      midiOutOpen(&handle, static_cast<UINT>(deviceId), reinterpret_cast<DWORD_PTR>(&OutProc),
                  reinterpret_cast<DWORD_PTR>(opened), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    delete opened;
    return result;
  }
  opened->handle = handle;
  device = reinterpret_cast<DeviceHandle>(opened);
  return MMSYSERR_NOERROR;
}

MmResult WinmmBackend::OutClose(DeviceHandle device) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result = midiOutClose(Out(device));
  if (result == MMSYSERR_NOERROR) {
    delete AsOpened(device);
  }
  return result;
}

MmResult WinmmBackend::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  return midiOutShortMsg(Out(device), message);
}

MmResult WinmmBackend::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  if (header.driverData == nullptr) {
    if (const MmResult made = MakePlatformHeader(header)) {
      return made;
    }
  }
  return midiOutPrepareHeader(Out(device), PlatformHeader(header), sizeof(MIDIHDR));
}

MmResult WinmmBackend::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result =
      midiOutUnprepareHeader(Out(device), PlatformHeader(header), sizeof(MIDIHDR));
  if (result == MMSYSERR_NOERROR) {
    DropPlatformHeader(header);
  }
  return result;
}

MmResult WinmmBackend::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return device == kNoDevice ? MMSYSERR_INVALHANDLE : MIDIERR_UNPREPARED;
  }
  return midiOutLongMsg(Out(device), PlatformHeader(header), sizeof(MIDIHDR));
}

MmResult WinmmBackend::OutReset(DeviceHandle device) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  return midiOutReset(Out(device));
}

MmResult WinmmBackend::OutGetErrorText(MmResult code, std::string& text) {
  char buffer[kErrorTextLength] = {};
  const MMRESULT result = midiOutGetErrorTextA(code, buffer, kErrorTextLength);
  if (result == MMSYSERR_NOERROR) {
    text = buffer;
  }
  return result;
}

std::uint32_t WinmmBackend::InGetNumDevs() {
  return midiInGetNumDevs();
}

MmResult WinmmBackend::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  MIDIINCAPSA platform{};
  const MMRESULT result = midiInGetDevCapsA(deviceId, &platform, sizeof(platform));
  if (result == MMSYSERR_NOERROR) {
    caps.manufacturerId = platform.wMid;
    caps.productId = platform.wPid;
    caps.driverVersion = platform.vDriverVersion;
    caps.productName = platform.szPname;
    caps.support = platform.dwSupport;
  }
  return result;
}

MmResult WinmmBackend::InOpen(DeviceHandle& device, std::uint32_t deviceId,
                              DriverCallbackFn callback, std::uintptr_t instance) {
  auto* opened = new (std::nothrow) Opened{nullptr, callback, instance};
  if (opened == nullptr) {
    return MMSYSERR_NOMEM;
  }
  HMIDIIN handle = nullptr;
  const MMRESULT result = midiInOpen(&handle, deviceId, reinterpret_cast<DWORD_PTR>(&InProc),
                                     reinterpret_cast<DWORD_PTR>(opened), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    delete opened;
    return result;
  }
  opened->handle = handle;
  device = reinterpret_cast<DeviceHandle>(opened);
  return MMSYSERR_NOERROR;
}

MmResult WinmmBackend::InClose(DeviceHandle device) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result = midiInClose(In(device));
  if (result == MMSYSERR_NOERROR) {
    delete AsOpened(device);
  }
  return result;
}

MmResult WinmmBackend::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  if (header.driverData == nullptr) {
    if (const MmResult made = MakePlatformHeader(header)) {
      return made;
    }
  }
  return midiInPrepareHeader(In(device), PlatformHeader(header), sizeof(MIDIHDR));
}

MmResult WinmmBackend::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result =
      midiInUnprepareHeader(In(device), PlatformHeader(header), sizeof(MIDIHDR));
  if (result == MMSYSERR_NOERROR) {
    DropPlatformHeader(header);
  }
  return result;
}

MmResult WinmmBackend::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return device == kNoDevice ? MMSYSERR_INVALHANDLE : MIDIERR_UNPREPARED;
  }
  return midiInAddBuffer(In(device), PlatformHeader(header), sizeof(MIDIHDR));
}

MmResult WinmmBackend::InStart(DeviceHandle device) {
  return device == kNoDevice ? MMSYSERR_INVALHANDLE : midiInStart(In(device));
}

MmResult WinmmBackend::InStop(DeviceHandle device) {
  return device == kNoDevice ? MMSYSERR_INVALHANDLE : midiInStop(In(device));
}

MmResult WinmmBackend::InReset(DeviceHandle device) {
  return device == kNoDevice ? MMSYSERR_INVALHANDLE : midiInReset(In(device));
}

MmResult WinmmBackend::InGetErrorText(MmResult code, std::string& text) {
  char buffer[kErrorTextLength] = {};
  const MMRESULT result = midiInGetErrorTextA(code, buffer, kErrorTextLength);
  if (result == MMSYSERR_NOERROR) {
    text = buffer;
  }
  return result;
}

}  // namespace morvane::midi
