#include "midi/midi_output.h"

#include <array>
#include <cstring>
#include <limits>
#include <memory>

#include "midi/my_midi_hdr.h"

namespace morvane::midi {

namespace {
constexpr int kDataByte1Shift = 8;
constexpr int kDataByte2Shift = 16;

std::uint32_t PackShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  return static_cast<std::uint32_t>(status) |
         (static_cast<std::uint32_t>(data1) << kDataByte1Shift) |
         (static_cast<std::uint32_t>(data2) << kDataByte2Shift);
}
}  // namespace

TMidiOutput::TMidiOutput(GuiThread& gui, MidiDriver& driver)
    : FDriver(driver),
      FNotifyWindow(gui, [this](std::uint32_t message,
                                MidiHeader* header) { HandleMessage(message, header); }),
      FDeviceCount(static_cast<std::uint16_t>(driver.OutGetNumDevs())) {}

TMidiOutput::~TMidiOutput() {
  // Pending strings are stopped and reported done so that their buffers can go;
  // a destructor has no one to report a refusal to.
  if (FState == mosOpen) {
    FDriver.OutReset(FHandle);
  }
  ReleaseDone();
  if (FState == mosOpen) {
    FDriver.OutClose(FHandle);
  }
  FreeCallbackRecord(FCallbackRecord);
}

std::string TMidiOutput::ErrorText(MmResult result) {
  std::string text;
  if (FDriver.OutGetErrorText(result, text) != kNoError) {
    text = kTextOutOfRange;
  }
  return text;
}

void TMidiOutput::RaiseResult(MmResult result) {
  FLastResult = result;
  throw EmidioutputError(ErrorText(result));
}

void TMidiOutput::ReleaseDone() noexcept {
  for (MidiHeader* header = FNotifyWindow.TakeDone(); header != nullptr;) {
    MidiHeader* next = header->postLink;
    ReleaseBuffer(*header);
    header = next;
  }
}

void TMidiOutput::Check(MmResult result) {
  FLastResult = result;
  if (result != kNoError) {
    RaiseResult(result);
  }
}

void TMidiOutput::SetDeviceID(std::int32_t id) {
  if (FState == mosOpen) {
    throw EmidioutputError("Change to DeviceID while device was open");
  }
  const auto count = static_cast<std::int64_t>(FDriver.OutGetNumDevs());
  if (id < kMidiMapper || id >= count) {
    throw EmidioutputError("Invalid device ID");
  }
  FDeviceID = id;
  ReadCapabilities();
}

void TMidiOutput::ReadCapabilities() {
  MidiOutCaps caps;
  Check(FDriver.OutGetDevCaps(FDeviceID, caps));
  FProductName = caps.productName;
  FDriverVersion = caps.driverVersion;
  FTechnology = static_cast<std::uint8_t>(caps.technology & 0xFF);
  FVoices = caps.voices;
  FNotes = caps.notes;
  FChannelMask = caps.channelMask;
  FSupport = caps.support;
}

void TMidiOutput::SetProductName(const std::string& name) {
  if (FState == mosOpen) {
    throw EmidioutputError("Change to ProductName while device was open");
  }
  const auto count = static_cast<std::int32_t>(FDriver.OutGetNumDevs());
  for (std::int32_t id = kMidiMapper; id < count; ++id) {
    MidiOutCaps caps;
    Check(FDriver.OutGetDevCaps(id, caps));
    if (caps.productName == name) {
      FProductName = name;
      SetDeviceID(id);
      return;
    }
  }
  throw EmidioutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::OpenPort() {
  // The open device still uses the callback record.
  if (FState == mosOpen) {
    FLastResult = kAllocated;
    return false;
  }
  if (FCallbackRecord == nullptr) {
    FCallbackRecord = MakeCallbackRecord();
    if (FCallbackRecord == nullptr) {
      FLastResult = kNoMemory;
      return false;
    }
  }
  FCallbackRecord->window = &FNotifyWindow;
  DeviceHandle handle = kNoDevice;
  FLastResult = FDriver.OutOpen(handle, FDeviceID, &DriverCallback,
                                reinterpret_cast<std::uintptr_t>(FCallbackRecord));
  if (FLastResult != kNoError) {
    FreeCallbackRecord(FCallbackRecord);
    FCallbackRecord = nullptr;
    return false;
  }
  FHandle = handle;
  FState = mosOpen;
  return true;
}

bool TMidiOutput::ClosePort() {
  bool closed = false;
  if (FState == mosOpen) {
    // Strings the driver has finished but whose completion has not been dispatched
    // yet are released while the device can still unprepare them; the owner's
    // handler does not run inside the close.
    ReleaseDone();
    Check(FDriver.OutClose(FHandle));
    closed = true;
  }
  FHandle = kNoDevice;
  FState = mosClosed;
  return closed;
}

void TMidiOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  Check(FDriver.OutShortMsg(FHandle, PackShortMessage(status, data1, data2)));
  if (OnMessageSent) {
    const std::array<std::uint8_t, kShortMessageSize> bytes{status, data1, data2};
    OnMessageSent(std::span(bytes).first(ShortMessageLength(status)));
  }
}

void TMidiOutput::SendLong(const std::uint8_t* bytes, std::uint16_t length) {
  if (length == 0 || bytes == nullptr) {
    throw EmidioutputError("Cannot send an empty SysEx string");
  }
  auto buffer = std::make_unique<TMyMidiHdr>(length);
  std::memcpy(buffer->Data, bytes, length);
  buffer->Header->dwUser = reinterpret_cast<std::uintptr_t>(buffer.get());
  Check(FDriver.OutPrepareHeader(FHandle, *buffer->Header));
  const MmResult sent = FDriver.OutLongMsg(FHandle, *buffer->Header);
  if (sent != kNoError) {
    FDriver.OutUnprepareHeader(FHandle, *buffer->Header);
    RaiseResult(sent);
  }
  FLastResult = sent;
  buffer.release();
  ++FPendingLong;
  if (OnMessageSent) {
    OnMessageSent(std::span(bytes, length));
  }
}

void TMidiOutput::SendLong(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > std::numeric_limits<std::uint16_t>::max()) {
    throw EmidioutputError("SysEx string longer than 65535 bytes");
  }
  SendLong(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

void TMidiOutput::SendEvent(const TMyMidiEvent& event) {
  if (FState != mosOpen) {
    throw EmidioutputError("MIDI Output device not open");
  }
  if (!event.SysexData.empty()) {
    SendLong(event.SysexData);
  } else if (event.StatusByte == kSysexStatus) {
    throw EmidioutputError("Cannot send an empty SysEx string");
  } else {
    SendShort(event.StatusByte, event.DataByte1, event.DataByte2);
  }
}

void TMidiOutput::ReleaseBuffer(MidiHeader& header) noexcept {
  FDriver.OutUnprepareHeader(FHandle, header);
  delete TMyMidiHdr::FromHeader(header);
  if (FPendingLong > 0) {
    --FPendingLong;
  }
}

void TMidiOutput::HandleMessage(std::uint32_t message, MidiHeader* header) {
  if (message != kMomDone || header == nullptr) {
    return;
  }
  const MmResult result = header->dwResult;
  ReleaseBuffer(*header);
  if (result == kNoError) {
    if (Onmidioutput) {
      Onmidioutput(*this);
    }
    return;
  }
  FLastResult = result;
  const std::string text = ErrorText(result);
  // Onmidioutput may destroy the port.
  const auto report = OnSendFailed;
  if (Onmidioutput) {
    Onmidioutput(*this);
  }
  if (!report) {
    throw EmidioutputError(text);
  }
  report(text);
}

void TMidiOutput::RefreshDeviceCount() {
  FDeviceCount = static_cast<std::uint16_t>(FDriver.OutGetNumDevs());
}

}  // namespace morvane::midi
