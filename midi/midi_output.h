#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "midi/callback_record.h"
#include "midi/driver.h"
#include "midi/gui_thread.h"
#include "midi/midi_errors.h"
#include "midi/my_midi_event.h"
#include "midi/notify_window.h"
#include "midi/platform_driver.h"

namespace morvane::midi {

enum MidiOutputState { mosOpen, mosClosed };

// One MIDI output device. Everything runs on the thread that owns gui; a SysEx
// string is copied, handed to the driver and released on that thread once the
// driver reports it done, after which Onmidioutput fires. On a device that queues
// short messages, they travel as buffers too, so that each one's fate is known.
class TMidiOutput {
 public:
  explicit TMidiOutput(GuiThread& gui, MidiDriver& driver = PlatformDriver());
  virtual ~TMidiOutput();
  TMidiOutput(const TMidiOutput&) = delete;
  TMidiOutput& operator=(const TMidiOutput&) = delete;

  std::int32_t DeviceID() const { return FDeviceID; }
  void SetDeviceID(std::int32_t id);
  const std::string& ProductName() const { return FProductName; }
  void SetProductName(const std::string& name);

  // Never raises; false when the device could not be opened (LastResult tells why).
  // Callers close before they open: on a port that is open already the open is
  // refused with kAllocated and the open device is left as it was.
  virtual bool OpenPort();
  // True when a device was closed. Strings the driver has finished are released
  // without firing Onmidioutput; those it could not send are reported through
  // OnSendFailed once the device is closed, and so are those it gave up at the close.
  virtual bool ClosePort();
  virtual void SendEvent(const TMyMidiEvent& event);
  virtual void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // Returns once the driver has a copy of the bytes; length 1..65535.
  virtual void SendLong(const std::uint8_t* bytes, std::uint16_t length);
  void SendLong(std::span<const std::uint8_t> bytes);

  MidiOutputState State() const { return FState; }
  MmResult LastResult() const { return FLastResult; }
  std::uint32_t DriverVersion() const { return FDriverVersion; }
  std::uint8_t Technology() const { return FTechnology; }
  std::uint16_t Voices() const { return FVoices; }
  std::uint16_t Notes() const { return FNotes; }
  std::uint16_t ChannelMask() const { return FChannelMask; }
  std::uint32_t Support() const { return FSupport; }
  std::uint16_t DeviceCount() const { return FDeviceCount; }
  // Reads the system's count again, for a new look at the devices while the program runs.
  void RefreshDeviceCount();
  // The driver's text for a result code, as the port raises it.
  std::string ResultText(MmResult result) { return ErrorText(result); }
  // SysEx strings handed to the driver and not yet released.
  std::uint32_t PendingLongCount() const { return FPendingLong; }
  // Short messages handed to a device that queues them, not yet reported.
  std::uint32_t PendingShortCount() const { return FPendingShort; }

  std::function<void(TMidiOutput& sender)> Onmidioutput;
  // A message the driver took and then could not send, with the driver's text (a
  // short message is named by its bytes); fired after Onmidioutput. Unassigned, the
  // text is raised instead.
  std::function<void(const std::string& text)> OnSendFailed;
  // The open device went away (its server stopped, its cable was pulled): the port
  // has closed it and tells the driver's text. Unassigned, the text is raised instead.
  std::function<void(const std::string& text)> OnDeviceLost;
  // Every message that went out, with its bytes (a short message with only the data bytes
  // its status carries); on the owner thread, once the driver reports it sent (a short
  // message on a device that does not queue them: once the driver took it). Unassigned,
  // it costs one test per message.
  std::function<void(std::span<const std::uint8_t> bytes)> OnMessageSent;
  // Every message the driver refused or could not send, with its text; never also sent.
  std::function<void(std::span<const std::uint8_t> bytes, const std::string& text)>
      OnMessageRefused;

 private:
  // A message that could not go out, and why.
  struct TFailure {
    std::vector<std::uint8_t> bytes;
    std::string text;
  };

  std::string ErrorText(MmResult result);
  [[noreturn]] void RaiseResult(MmResult result);
  [[noreturn]] void Refuse(std::span<const std::uint8_t> bytes, MmResult result);
  void QueueBuffer(std::span<const std::uint8_t> bytes);
  // Releases what the driver has finished; the outcome of each is kept in failures
  // (when given) and told to the taps. unprepare is false once the device is closed.
  void ReleaseDone(std::vector<TFailure>* failures, bool unprepare) noexcept;
  // The outcome of one finished buffer; a failure's text, or empty when it was sent.
  std::string Outcome(MidiHeader& header);
  void Report(const std::vector<TFailure>& failures);
  void Check(MmResult result);
  void ReadCapabilities();
  void HandleMessage(std::uint32_t message, MidiHeader* header);
  void HandleLoss();
  void ReleaseBuffer(MidiHeader& header, bool unprepare) noexcept;

  MidiDriver& FDriver;
  midi::NotifyWindow FNotifyWindow;
  std::int32_t FDeviceID = 0;
  DeviceHandle FHandle = kNoDevice;
  MidiOutputState FState = mosClosed;
  CallbackRecord* FCallbackRecord = nullptr;
  MmResult FLastResult = kNoError;
  std::uint32_t FDriverVersion = 0;
  std::string FProductName;
  std::uint8_t FTechnology = 0;
  std::uint16_t FVoices = 0;
  std::uint16_t FNotes = 0;
  std::uint16_t FChannelMask = 0;
  std::uint32_t FSupport = 0;
  std::uint16_t FDeviceCount = 0;
  bool FQueuesShortMessages = false;
  std::uint32_t FPendingLong = 0;
  std::uint32_t FPendingShort = 0;
};

}  // namespace morvane::midi
