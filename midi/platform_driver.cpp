#include "midi/platform_driver.h"

#include <memory>

#include "midi/backends/virtual/virtual_backend.h"
#include "midi/device_list.h"

#ifdef _WIN32
#include "midi/backends/winmm/winmm_backend.h"
#else
#include "midi/backends/rtmidi/rtmidi_backend.h"
#endif
#ifdef MORVANE_HAVE_JACK
#include "midi/backends/jack/jack_backend.h"
#endif

namespace morvane::midi {

MidiDriver& PlatformDriver() {
  static DeviceList devices = [] {
    DeviceList list;
    list.Add(std::make_shared<VirtualBackend>());
#ifdef _WIN32
    list.Add(std::make_shared<WinmmBackend>(), true);
#else
    list.Add(std::make_shared<RtMidiBackend>(), true);
#endif
#ifdef MORVANE_HAVE_JACK
    list.Add(std::make_shared<JackBackend>(), true);
#endif
    return list;
  }();
  return devices;
}

}  // namespace morvane::midi
