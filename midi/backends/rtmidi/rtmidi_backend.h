#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/driver.h"
#include "midi/failure_texts.h"

class RtMidi;
class RtMidiIn;
class RtMidiOut;
namespace morvane::midi {
class RtMidiFailure;
}

namespace morvane::midi {

// The system's MIDI devices through RtMidi: on Linux the ALSA sequencer, on macOS
// CoreMIDI (a JACK server's ports come through the JACK backend where it is built).
// An API that cannot be used here (no sequencer device) is skipped; with none usable
// the backend lists no devices. MORVANE_MIDI_API=alsa restricts the choice to that
// API. Devices are listed API by API, each API's ports in the order it reports them.
// Nothing is printed: RtMidi's failures come back as result codes whose text is what
// RtMidi reported, and a message RtMidi failed to send is reported done with one.
class RtMidiBackend final : public MidiDriver {
 public:
  // Ports whose names begin with ownClientName (this process's own) are not listed.
  explicit RtMidiBackend(std::string ownClientName = "morvane-editor");
  ~RtMidiBackend() override;

  // The APIs in use, by RtMidi's names ("alsa", "jack", "core").
  std::vector<std::string> ApiNames() const;

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

  class OutputDevice;
  class InputDevice;

 private:
  struct Api;
  struct PortRef {
    Api* api = nullptr;
    unsigned int port = 0;
    std::string name;
  };
  // The ports that probe(api) lists, API by API, without this process's own.
  std::vector<PortRef> ListPorts(RtMidi& (*probe)(Api& api), RtMidiFailure& (*failure)(Api& api));
  std::vector<PortRef> OutputPorts();
  std::vector<PortRef> InputPorts();
  // Headers need no preparing here beyond their flags, alike for output and input.
  static MmResult PrepareHeader(DeviceHandle device, MidiHeader& header);
  static MmResult UnprepareHeader(DeviceHandle device, MidiHeader& header);

  // Opens port on a new RtMidi object of the given kind; a result code on failure.
  template <typename Port>
  MmResult OpenOn(const PortRef& ref, const char* portName, std::unique_ptr<Port>& opened);
  MmResult ErrorText(MmResult code, std::string& text) const;

  std::string ownClientName_;
  // Declared before the APIs and devices that hand out its codes.
  FailureTexts texts_;
  std::vector<std::unique_ptr<Api>> apis_;
};

}  // namespace morvane::midi
