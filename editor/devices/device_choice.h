#pragma once

#include <QString>

#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "settings_store.h"
#include "tmrvbox.h"

namespace morvane::editor {

// The stored index of "no device chosen".
inline constexpr int kNoDeviceChoice = -1;

enum class TPersist { Restore, Store };

// Restore (at start-up) or store (at shut-down and on every choice) the device chosen in one
// direction. A device is remembered by its index in the list and by its name: when the devices
// have moved since, the name finds the device again.
void PersistOutputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                         midi::TMidiOutput& port);
void PersistInputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                        midi::TMidiInput& port);

// Reopen the port on device index; the input port is started again.
void SelectOutputDevice(midi::TMidiOutput& port, int index);
void SelectInputDevice(midi::TMidiInput& port, int index);

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
