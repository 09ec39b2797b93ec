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

void DeletePlatformHeader(void* platform) {
  delete static_cast<MIDIHDR*>(platform);
}

// The system's header lives until it is unprepared or, when that never succeeds
// (a failed prepare, a refused unprepare), until our header is destroyed.
MmResult MakePlatformHeader(MidiHeader& header) {
  auto* platform = new (std::nothrow) MIDIHDR{};
  if (platform == nullptr) {
    return MMSYSERR_NOMEM;
  }
  platform->lpData = reinterpret_cast<LPSTR>(header.lpData);
  platform->dwBufferLength = header.dwBufferLength;
  platform->dwUser = reinterpret_cast<DWORD_PTR>(&header);
  header.driverData = platform;
  header.releaseDriverData = &DeletePlatformHeader;
  return MMSYSERR_NOERROR;
}

void DropPlatformHeader(MidiHeader& header) {
  delete PlatformHeader(header);
  header.driverData = nullptr;
  header.releaseDriverData = nullptr;
}

// The midiOut and midiIn calls below differ only in their handle type; each helper
// takes the call of its side.
template <typename Handle>
MmResult Open(DeviceHandle& device, UINT deviceId, DriverCallbackFn callback,
              std::uintptr_t instance,
              MMRESULT(WINAPI* open)(Handle*, UINT, DWORD_PTR, DWORD_PTR, DWORD),
              void(CALLBACK* proc)(Handle, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)) {
  auto* opened = new (std::nothrow) Opened{nullptr, callback, instance};
  if (opened == nullptr) {
    return MMSYSERR_NOMEM;
  }
  Handle handle = nullptr;
  const MMRESULT result = open(&handle, deviceId, reinterpret_cast<DWORD_PTR>(proc),
                               reinterpret_cast<DWORD_PTR>(opened), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    delete opened;
    return result;
  }
  opened->handle = handle;
  device = reinterpret_cast<DeviceHandle>(opened);
  return MMSYSERR_NOERROR;
}

template <typename Handle>
MmResult Close(DeviceHandle device, MMRESULT(WINAPI* close)(Handle)) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result = close(static_cast<Handle>(AsOpened(device)->handle));
  if (result == MMSYSERR_NOERROR) {
    delete AsOpened(device);
  }
  return result;
}

template <typename Handle>
MmResult Prepare(DeviceHandle device, MidiHeader& header,
                 MMRESULT(WINAPI* prepare)(Handle, LPMIDIHDR, UINT)) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  if (header.driverData == nullptr) {
    if (const MmResult made = MakePlatformHeader(header)) {
      return made;
    }
  }
  return prepare(static_cast<Handle>(AsOpened(device)->handle), PlatformHeader(header),
                 sizeof(MIDIHDR));
}

template <typename Handle>
MmResult Unprepare(DeviceHandle device, MidiHeader& header,
                   MMRESULT(WINAPI* unprepare)(Handle, LPMIDIHDR, UINT)) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return MMSYSERR_INVALHANDLE;
  }
  const MMRESULT result = unprepare(static_cast<Handle>(AsOpened(device)->handle),
                                    PlatformHeader(header), sizeof(MIDIHDR));
  if (result == MMSYSERR_NOERROR) {
    DropPlatformHeader(header);
  }
  return result;
}

// midiOutLongMsg and midiInAddBuffer.
template <typename Handle>
MmResult Queue(DeviceHandle device, MidiHeader& header,
               MMRESULT(WINAPI* queue)(Handle, LPMIDIHDR, UINT)) {
  if (device == kNoDevice || header.driverData == nullptr) {
    return device == kNoDevice ? MMSYSERR_INVALHANDLE : MIDIERR_UNPREPARED;
  }
  return queue(static_cast<Handle>(AsOpened(device)->handle), PlatformHeader(header),
               sizeof(MIDIHDR));
}

MmResult ErrorText(MmResult code, std::string& text,
                   MMRESULT(WINAPI* errorText)(MMRESULT, LPSTR, UINT)) {
  char buffer[kErrorTextLength] = {};
  const MMRESULT result = errorText(code, buffer, kErrorTextLength);
  if (result == MMSYSERR_NOERROR) {
    text = buffer;
  }
  return result;
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
  return Open(device, static_cast<UINT>(deviceId), callback, instance, &midiOutOpen, &OutProc);
}

MmResult WinmmBackend::OutClose(DeviceHandle device) {
  return Close(device, &midiOutClose);
}

MmResult WinmmBackend::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  return midiOutShortMsg(Out(device), message);
}

MmResult WinmmBackend::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return Prepare(device, header, &midiOutPrepareHeader);
}

MmResult WinmmBackend::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return Unprepare(device, header, &midiOutUnprepareHeader);
}

MmResult WinmmBackend::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  return Queue(device, header, &midiOutLongMsg);
}

MmResult WinmmBackend::OutReset(DeviceHandle device) {
  if (device == kNoDevice) {
    return MMSYSERR_INVALHANDLE;
  }
  return midiOutReset(Out(device));
}

MmResult WinmmBackend::OutGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text, &midiOutGetErrorTextA);
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
  return Open(device, deviceId, callback, instance, &midiInOpen, &InProc);
}

MmResult WinmmBackend::InClose(DeviceHandle device) {
  return Close(device, &midiInClose);
}

MmResult WinmmBackend::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return Prepare(device, header, &midiInPrepareHeader);
}

MmResult WinmmBackend::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return Unprepare(device, header, &midiInUnprepareHeader);
}

MmResult WinmmBackend::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  return Queue(device, header, &midiInAddBuffer);
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
  return ErrorText(code, text, &midiInGetErrorTextA);
}

}  // namespace morvane::midi
