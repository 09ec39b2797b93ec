#pragma once

#include <QString>
#include <stdexcept>

#include "device_rescan.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "settings_store.h"
#include "tmrvbox.h"

namespace morvane::editor {

// The stored index of "no device chosen".
inline constexpr int kNoDeviceChoice = -1;

// A device that cannot be chosen or opened, in words that name it and point at the Setup page
// and Rescan; the driver's text is on the last line.
class EDeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TPersist { Restore, Store };

// Restore (at start-up) or store (at shut-down and on every choice) the device chosen in one
// direction. A device is remembered by its index in the list and by its name: when the devices
// have moved since, the name finds the device again.
void PersistOutputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                         midi::TMidiOutput& port);
void PersistInputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                        midi::TMidiInput& port);

// Reopen the port on device index; the input port is started again. False when the device did
// not open; the port's errors are raised as they are.
bool SelectOutputDevice(midi::TMidiOutput& port, int index);
bool SelectInputDevice(midi::TMidiInput& port, int index);

// Restarts the input port on the device chosen in list, as a request for a dump does: closed,
// set, opened and started. A device that does not open is left closed without a word; an
// error of the port (no device chosen) is raised as EDeviceError.
void RestartInputDevice(const controls::Tmrvbox& list, midi::TMidiInput& port);

// The choice made in list: the port is reopened on it and the choice stored. A device that
// cannot be chosen or does not open raises EDeviceError, once the choice is stored.
void ChooseOutputDevice(const controls::Tmrvbox& list, TSettingsStore& settings,
                        midi::TMidiOutput& port);
void ChooseInputDevice(const controls::Tmrvbox& list, TSettingsStore& settings,
                       midi::TMidiInput& port);

// Writes the device chosen in the list, at once, as a choice is made.
void WriteOutputChoice(const controls::Tmrvbox& list, TSettingsStore& settings);
void WriteInputChoice(const controls::Tmrvbox& list, TSettingsStore& settings);

// True when the settings remember a device choice in either direction.
bool HasStoredDeviceChoice(const TSettingsStore& settings);

// Chooses the built-in simulator in both lists and opens both ports on it, the input started.
// False when a list does not hold it; then nothing is changed.
bool ChooseSimulator(controls::Tmrvbox& outputList, controls::Tmrvbox& inputList,
                     midi::TMidiOutput& output, midi::TMidiInput& input);

// The index of the device called name in list, kNoDeviceChoice when it holds none.
int FindDevice(const controls::Tmrvbox& list, const QString& name);

// The device name of item index (the list indents its items), empty when there is none.
QString DeviceName(const controls::Tmrvbox& list, int index);

}  // namespace morvane::editor
