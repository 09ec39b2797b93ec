#include "midi/midi_output.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
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

bool IsSysex(const MidiHeader& header) {
  return header.dwBufferLength > 0 && header.lpData[0] == kSysexStatus;
}

// "MIDI message 90 3C 64 was not sent: " + why, so that a late failure names its message.
std::string NamedFailure(std::span<const std::uint8_t> bytes, const std::string& text) {
  std::string named = "MIDI message";
  for (const std::uint8_t byte : bytes) {
    std::array<char, 4> hex{};
    std::snprintf(hex.data(), hex.size(), " %02X", byte);
    named += hex.data();
  }
  return named + " was not sent: " + text;
}
}  // namespace

TMidiOutput::TMidiOutput(GuiThread& gui, MidiDriver& driver)
    : FDriver(driver),
      FNotifyWindow(gui, [this](std::uint32_t message,
                                MidiHeader* header) { HandleMessage(message, header); }),
      FDeviceCount(static_cast<std::uint16_t>(driver.OutGetNumDevs())) {}

TMidiOutput::~TMidiOutput() {
  // Pending messages are stopped and reported done so that their buffers can go; a
  // destructor has no one to report a refusal to. Buffers the driver never gave back
  // and the record of a device that did not close stay: it may still use them.
  bool closed = FState != mosOpen;
  if (!closed) {
    FDriver.OutReset(FHandle);
  }
  ReleaseDone(nullptr, true);
  if (!closed) {
    closed = FDriver.OutClose(FHandle) == kNoError;
  }
  if (closed) {
    FreeCallbackRecord(FCallbackRecord);
  }
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

void TMidiOutput::Refuse(std::span<const std::uint8_t> bytes, MmResult result) {
  FLastResult = result;
  const std::string text = ErrorText(result);
  if (OnMessageRefused) {
    OnMessageRefused(bytes, text);
  }
  throw EmidioutputError(text);
}

std::string TMidiOutput::Outcome(MidiHeader& header) {
  const std::span<const std::uint8_t> bytes(header.lpData, header.dwBufferLength);
  if (header.dwResult == kNoError) {
    if (OnMessageSent) {
      OnMessageSent(bytes);
    }
    return {};
  }
  FLastResult = header.dwResult;
  const std::string driverText = ErrorText(header.dwResult);
  const std::string text = IsSysex(header) ? driverText : NamedFailure(bytes, driverText);
  if (OnMessageRefused) {
    OnMessageRefused(bytes, text);
  }
  return text;
}

void TMidiOutput::ReleaseDone(std::vector<TFailure>* failures, bool unprepare) noexcept {
  for (MidiHeader* header = FNotifyWindow.TakeDone(); header != nullptr;) {
    MidiHeader* next = header->postLink;
    if (failures != nullptr) {
      try {
        if (std::string text = Outcome(*header); !text.empty()) {
          failures->push_back(
              {{header->lpData, header->lpData + header->dwBufferLength}, std::move(text)});
        }
      } catch (...) {
        // A tap that raised, or no memory for the report: the buffer still goes.
      }
    }
    ReleaseBuffer(*header, unprepare);
    header = next;
  }
}

void TMidiOutput::Report(const std::vector<TFailure>& failures) {
  const auto report = OnSendFailed;
  for (const TFailure& failure : failures) {
    if (!report) {
      throw EmidioutputError(failure.text);
    }
    report(failure.text);
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
  FQueuesShortMessages = caps.queuesShortMessages;
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
  // A loss told by a device closed since is no news about the next one.
  FNotifyWindow.ForgetLost();
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
  std::vector<TFailure> failures;
  if (FState == mosOpen) {
    // Buffers the driver has finished but whose completion has not been dispatched yet
    // are released while the device can still unprepare them; the owner's handlers run
    // only once the device is closed.
    ReleaseDone(&failures, true);
    if (const MmResult refused = FDriver.OutClose(FHandle)) {
      Report(failures);
      RaiseResult(refused);
    }
    FLastResult = kNoError;
    // What the driver gave up while closing.
    ReleaseDone(&failures, false);
    closed = true;
  }
  FHandle = kNoDevice;
  FState = mosClosed;
  Report(failures);
  return closed;
}

void TMidiOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  const std::array<std::uint8_t, kShortMessageSize> bytes{status, data1, data2};
  const std::span<const std::uint8_t> message = std::span(bytes).first(ShortMessageLength(status));
  if (FQueuesShortMessages) {
    QueueBuffer(message);
    return;
  }
  const MmResult result = FDriver.OutShortMsg(FHandle, PackShortMessage(status, data1, data2));
  FLastResult = result;
  if (result != kNoError) {
    Refuse(message, result);
  }
  if (OnMessageSent) {
    OnMessageSent(message);
  }
}

void TMidiOutput::QueueBuffer(std::span<const std::uint8_t> bytes) {
  auto buffer = std::make_unique<TMyMidiHdr>(static_cast<std::uint16_t>(bytes.size()));
  std::memcpy(buffer->Data, bytes.data(), bytes.size());
  buffer->Header->dwUser = reinterpret_cast<std::uintptr_t>(buffer.get());
  if (const MmResult prepared = FDriver.OutPrepareHeader(FHandle, *buffer->Header)) {
    Refuse(bytes, prepared);
  }
  const MmResult sent = FDriver.OutLongMsg(FHandle, *buffer->Header);
  if (sent != kNoError) {
    FDriver.OutUnprepareHeader(FHandle, *buffer->Header);
    Refuse(bytes, sent);
  }
  FLastResult = sent;
  ++(IsSysex(*buffer->Header) ? FPendingLong : FPendingShort);
  buffer.release();
}

void TMidiOutput::SendLong(const std::uint8_t* bytes, std::uint16_t length) {
  if (length == 0 || bytes == nullptr) {
    throw EmidioutputError("Cannot send an empty SysEx string");
  }
  QueueBuffer(std::span(bytes, length));
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

void TMidiOutput::ReleaseBuffer(MidiHeader& header, bool unprepare) noexcept {
  if (unprepare) {
    FDriver.OutUnprepareHeader(FHandle, header);
  }
  std::uint32_t& pending = IsSysex(header) ? FPendingLong : FPendingShort;
  delete TMyMidiHdr::FromHeader(header);
  if (pending > 0) {
    --pending;
  }
}

void TMidiOutput::HandleMessage(std::uint32_t message, MidiHeader* header) {
  if (message == kDeviceLost) {
    HandleLoss();
    return;
  }
  if (message != kMomDone || header == nullptr) {
    return;
  }
  const bool sysex = IsSysex(*header);
  const std::string text = Outcome(*header);
  ReleaseBuffer(*header, FState == mosOpen);
  // Onmidioutput may destroy the port.
  const auto report = OnSendFailed;
  if (sysex && Onmidioutput) {
    Onmidioutput(*this);
  }
  if (text.empty()) {
    return;
  }
  if (!report) {
    throw EmidioutputError(text);
  }
  report(text);
}

void TMidiOutput::HandleLoss() {
  if (FState != mosOpen) {
    return;
  }
  const std::string text = ErrorText(FNotifyWindow.LostReason());
  const auto report = OnDeviceLost;
  std::exception_ptr closeError;
  try {
    ClosePort();
  } catch (...) {
    closeError = std::current_exception();
  }
  if (!report) {
    throw EmidioutputError(text);
  }
  report(text);
  if (closeError) {
    std::rethrow_exception(closeError);
  }
}

void TMidiOutput::RefreshDeviceCount() {
  FDeviceCount = static_cast<std::uint16_t>(FDriver.OutGetNumDevs());
}

}  // namespace morvane::midi
