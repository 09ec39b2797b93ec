#include "midi/midi_input.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace morvane::midi {

namespace {
constexpr std::uint32_t kByteMask = 0xFF;
constexpr int kDataByte1Shift = 8;
constexpr int kDataByte2Shift = 16;
constexpr std::uint32_t kSizeMask = 0xFFFF;
}  // namespace

TMidiInput::TMidiInput(GuiThread& gui, MidiDriver& driver)
    : FDriver(driver),
      FNotifyWindow(gui, [this](std::uint32_t message,
                                MidiHeader* header) { HandleMessage(message, header); }),
      FDeviceCount(static_cast<std::uint16_t>(driver.InGetNumDevs())) {
  SetDeviceID(0);
  FState = misClosed;
}

TMidiInput::~TMidiInput() {
  if (FState == misOpen) {
    try {
      ClosePort();
    } catch (const EMidiInputError&) {
      // The driver refused a step of the close; the rest is released below.
    }
  }
  // A device left open by a refused close still holds the buffers and the callback
  // record: it is given them back before they are freed.
  ReleaseDevice();
  for (TLeftover& leftover : FLeftovers) {
    FreeCallbackRecord(leftover.record);
  }
}

std::string TMidiInput::ResultText(MmResult result) {
  std::string text;
  if (FDriver.InGetErrorText(result, text) != kNoError) {
    text = kTextOutOfRange;
  }
  return text;
}

void TMidiInput::RaiseResult(MmResult result) {
  FError = result;
  throw EMidiInputError(ResultText(result));
}

void TMidiInput::Check(MmResult result) {
  FError = result;
  if (result != kNoError) {
    RaiseResult(result);
  }
}

void TMidiInput::SetDeviceID(std::uint16_t id) {
  if (FState == misOpen) {
    throw EMidiInputError("Change to DeviceID while device was open");
  }
  if (id >= FDriver.InGetNumDevs()) {
    throw EMidiInputError("Invalid device ID");
  }
  FDeviceID = id;
  MidiInCaps caps;
  Check(FDriver.InGetDevCaps(id, caps));
  FProductName = caps.productName;
  FDriverVersion = caps.driverVersion;
  FManufacturerId = caps.manufacturerId;
  FProductId = caps.productId;
}

void TMidiInput::SetProductName(const std::string& name) {
  if (FState == misOpen) {
    throw EMidiInputError("Change to ProductName while device was open");
  }
  const std::uint32_t count = FDriver.InGetNumDevs();
  for (std::uint32_t id = 0; id < count; ++id) {
    MidiInCaps caps;
    Check(FDriver.InGetDevCaps(id, caps));
    if (caps.productName == name) {
      SetDeviceID(static_cast<std::uint16_t>(id));
      return;
    }
  }
  throw EMidiInputError("MIDI Input Device " + name + " not installed ");
}

void TMidiInput::SetSysexBufferSize(std::uint16_t size) {
  if (FState == misOpen) {
    throw EMidiInputError("Change to SysexBufferSize while device was open");
  }
  FSysexBufferSize = size;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t count) {
  if (FState == misOpen) {
    throw EMidiInputError("Change to SysexBuffercount while device was open");
  }
  FSysexBufferCount = count;
}

void TMidiInput::SetSysexOnly(bool sysexOnly) {
  FSysexOnly = sysexOnly;
  if (FCallbackRecord != nullptr) {
    FCallbackRecord->sysexOnly.store(sysexOnly, std::memory_order_release);
  }
}

void TMidiInput::OpenPort() {
  if (FState == misOpen) {
    FError = kAllocated;
    return;
  }
  GiveBackDevice();
  try {
    // Records left by an earlier device may name buffers that are gone, and a loss it
    // told is no news about the next one.
    FNotifyWindow.DiscardInput();
    FNotifyWindow.ForgetLost();
    FReportedHeader = nullptr;
    FRing = std::make_unique<EventRing>(FCapacity);
    if (FCallbackRecord == nullptr) {
      FCallbackRecord = MakeCallbackRecord();
      if (FCallbackRecord == nullptr) {
        FError = kNoMemory;
        ReleaseDevice();
        return;
      }
    }
    FCallbackRecord->ring.store(FRing.get(), std::memory_order_release);
    FCallbackRecord->window = &FNotifyWindow;
    FCallbackRecord->sysexOnly.store(FSysexOnly, std::memory_order_release);
    DeviceHandle handle = kNoDevice;
    FError = FDriver.InOpen(handle, FDeviceID, &DriverCallback,
                            reinterpret_cast<std::uintptr_t>(FCallbackRecord));
    if (FError != kNoError) {
      ReleaseDevice();
      return;
    }
    FHandle = handle;
    PrepareSysexBuffers();
    QueueSysexBuffers();
    FState = misOpen;
  } catch (const EMidiInputError&) {
    ReleaseDevice();
  } catch (const std::bad_alloc&) {
    FError = kNoMemory;
    ReleaseDevice();
  }
}

void TMidiInput::ReleaseDevice() noexcept {
  // An opened device and prepared buffers are given back, so the next open starts clean.
  GiveBackDevice();
  FreeCallbackRecord(FCallbackRecord);
  FCallbackRecord = nullptr;
}

void TMidiInput::GiveBackDevice() noexcept {
  if (FHandle != kNoDevice) {
    // Refusals here were raised by the close that left the device, or are met while
    // undoing a failed open, which reports its own result.
    FDriver.InReset(FHandle);
    for (auto& buffer : FBuffers) {
      FDriver.InUnprepareHeader(FHandle, *buffer->Header);
    }
    if (FDriver.InClose(FHandle) != kNoError && FCallbackRecord != nullptr) {
      // The device may still call back: it keeps its record, now without a ring, and
      // its buffers until the port is destroyed; the next open makes a record of its own.
      FCallbackRecord->ring.store(nullptr, std::memory_order_release);
      FLeftovers.push_back({FCallbackRecord, std::move(FBuffers)});
      FCallbackRecord = nullptr;
    }
    FHandle = kNoDevice;
  }
  FNotifyWindow.DiscardInput();
  FBuffers.clear();
  if (FCallbackRecord != nullptr) {
    FCallbackRecord->ring.store(nullptr, std::memory_order_release);
  }
  FRing.reset();
}

void TMidiInput::PrepareSysexBuffers() {
  if (FSysexBufferCount == 0 || FSysexBufferSize == 0 || FHandle == kNoDevice) {
    return;
  }
  FBuffers.reserve(FSysexBufferCount);
  for (std::uint16_t i = 0; i < FSysexBufferCount; ++i) {
    auto buffer = std::make_unique<TMyMidiHdr>(FSysexBufferSize);
    buffer->Header->dwUser = reinterpret_cast<std::uintptr_t>(buffer.get());
    Check(FDriver.InPrepareHeader(FHandle, *buffer->Header));
    FBuffers.push_back(std::move(buffer));
  }
}

void TMidiInput::QueueSysexBuffers() {
  for (auto& buffer : FBuffers) {
    Check(FDriver.InAddBuffer(FHandle, *buffer->Header));
  }
}

void TMidiInput::StartInput() {
  if (FState == misOpen) {
    Check(FDriver.InStart(FHandle));
  }
}

void TMidiInput::StopInput() {
  if (FState == misOpen) {
    Check(FDriver.InStop(FHandle));
  }
}

void TMidiInput::ClosePort() {
  if (FState != misOpen) {
    return;
  }
  FState = misClosed;
  Check(FDriver.InReset(FHandle));
  FNotifyWindow.DiscardInput();
  ReleaseSysexBuffers();
  Check(FDriver.InClose(FHandle));
  FHandle = kNoDevice;
  FCallbackRecord->ring.store(nullptr, std::memory_order_release);
  FRing.reset();
}

void TMidiInput::ReleaseSysexBuffers() {
  while (!FBuffers.empty()) {
    Check(FDriver.InUnprepareHeader(FHandle, *FBuffers.front()->Header));
    FBuffers.erase(FBuffers.begin());
  }
}

std::uint16_t TMidiInput::PendingCount() const {
  return FState == misOpen && FRing ? FRing->Count() : 0;
}

void TMidiInput::Requeue(MidiHeader& header) {
  Check(FDriver.InPrepareHeader(FHandle, header));
  Check(FDriver.InAddBuffer(FHandle, header));
}

std::unique_ptr<TMyMidiEvent> TMidiInput::TakeEvent() {
  RingRecord record;
  if (FState != misOpen || !FRing || !FRing->Peek(record)) {
    return nullptr;
  }
  auto event = std::make_unique<TMyMidiEvent>();
  event->TimeStamp = record.timeStamp;
  if (record.header == nullptr) {
    event->StatusByte = static_cast<std::uint8_t>(record.shortMessage & kByteMask);
    event->DataByte1 =
        static_cast<std::uint8_t>((record.shortMessage >> kDataByte1Shift) & kByteMask);
    event->DataByte2 =
        static_cast<std::uint8_t>((record.shortMessage >> kDataByte2Shift) & kByteMask);
  } else {
    MidiHeader& header = *record.header;
    event->StatusByte = kSysexStatus;
    // A driver never records more than the buffer holds; the bound keeps a bad one from
    // reading past it.
    const std::uint32_t recorded =
        std::min({header.dwBytesRecorded, header.dwBufferLength, kSizeMask});
    event->SysexSize = static_cast<std::uint16_t>(recorded);
    if (recorded != 0) {
      event->SysexData.assign(header.lpData, header.lpData + recorded);
    }
    if (FReportedHeader == &header) {
      FReportedHeader = nullptr;
      try {
        Requeue(header);
      } catch (const EMidiInputError&) {
        // Already reported: the buffer stays out of the pool and the events behind
        // it go on.
      }
    } else {
      try {
        Requeue(header);
      } catch (const EMidiInputError&) {
        FReportedHeader = &header;
        throw;
      }
    }
  }
  FRing->Pop();
  if (OnEventTaken) {
    OnEventTaken(*event);
  }
  return event;
}

void TMidiInput::HandleLoss() {
  if (FState != misOpen) {
    return;
  }
  const std::string text = ResultText(FNotifyWindow.LostReason());
  const auto report = OnDeviceLost;
  std::exception_ptr closeError;
  try {
    ClosePort();
  } catch (const EMidiInputError&) {
    closeError = std::current_exception();
  }
  if (!report) {
    throw EMidiInputError(text);
  }
  report(text);
  if (closeError) {
    std::rethrow_exception(closeError);
  }
}

void TMidiInput::HandleMessage(std::uint32_t message, MidiHeader* header) {
  if (message == kDeviceLost) {
    HandleLoss();
  } else if (message == kMimData) {
    if (OnMidiInput && FState == misOpen && PendingCount() > 0) {
      OnMidiInput(*this);
    }
  } else if (message == kOverflowMessage) {
    if (FState != misOpen) {
      return;
    }
    // The lost record's buffer goes back to the driver, so the pool keeps its size.
    if (header != nullptr) {
      Requeue(*header);
    }
    if (OnOverflow) {
      OnOverflow(*this);
    }
  }
}

void TMidiInput::RefreshDeviceCount() {
  FDeviceCount = static_cast<std::uint16_t>(FDriver.InGetNumDevs());
}

}  // namespace morvane::midi
