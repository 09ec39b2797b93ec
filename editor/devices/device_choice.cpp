#include "device_choice.h"

#include <cstdint>

#include "midi/backends/virtual/virtual_backend.h"

namespace morvane::editor {

namespace {

// Selects the stored device in list, found again by name when another device has its index.
// Returns false when nothing was stored. An index beyond the list leaves it without a selection.
bool SelectStoredDevice(controls::Tmrvbox& list, const TSettingsStore& settings,
                        const char* indexKey, const char* nameKey) {
  int index = settings.ReadInteger(indexKey, kNoDeviceChoice);
  if (index == kNoDeviceChoice) {
    return false;
  }
  const QString name = settings.ReadText(nameKey);
  if (!name.isEmpty() && DeviceName(list, index) != name) {
    if (const int named = FindDevice(list, name); named != kNoDeviceChoice) {
      index = named;
    }
  }
  list.setCurrentIndex(index >= 0 && index < list.count() ? index : kNoDeviceChoice);
  return true;
}

void StoreChoice(const controls::Tmrvbox& list, TSettingsStore& settings, const char* indexKey,
                 const char* nameKey) {
  const int index = list.currentIndex();
  settings.WriteInteger(indexKey, index);
  settings.WriteText(nameKey, DeviceName(list, index));
}

}  // namespace

int FindDevice(const controls::Tmrvbox& list, const QString& name) {
  for (int index = 0; index < list.count(); ++index) {
    if (DeviceName(list, index) == name) {
      return index;
    }
  }
  return kNoDeviceChoice;
}

QString DeviceName(const controls::Tmrvbox& list, int index) {
  return index >= 0 && index < list.count() ? list.itemText(index).trimmed() : QString();
}

void WriteOutputChoice(const controls::Tmrvbox& list, TSettingsStore& settings) {
  StoreChoice(list, settings, TSettingsStore::kOut, TSettingsStore::kOutName);
}

void WriteInputChoice(const controls::Tmrvbox& list, TSettingsStore& settings) {
  StoreChoice(list, settings, TSettingsStore::kIn, TSettingsStore::kInName);
}

void SelectOutputDevice(midi::TMidiOutput& port, int index) {
  port.ClosePort();
  port.SetDeviceID(index);
  port.OpenPort();
}

void SelectInputDevice(midi::TMidiInput& port, int index) {
  port.StopInput();
  port.ClosePort();
  // No choice (-1) becomes an id beyond every device, which the port refuses with its error.
  port.SetDeviceID(static_cast<std::uint16_t>(index));
  port.OpenPort();
  port.StartInput();
}

void PersistOutputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                         midi::TMidiOutput& port) {
  if (mode == TPersist::Store) {
    port.ClosePort();
    WriteOutputChoice(list, settings);
    return;
  }
  if (SelectStoredDevice(list, settings, TSettingsStore::kOut, TSettingsStore::kOutName)) {
    SelectOutputDevice(port, list.currentIndex());
  }
}

void PersistInputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                        midi::TMidiInput& port) {
  if (mode == TPersist::Store) {
    port.StopInput();
    port.ClosePort();
    WriteInputChoice(list, settings);
    return;
  }
  if (SelectStoredDevice(list, settings, TSettingsStore::kIn, TSettingsStore::kInName)) {
    SelectInputDevice(port, list.currentIndex());
  }
}

bool HasStoredDeviceChoice(const TSettingsStore& settings) {
  return settings.Contains(TSettingsStore::kOut) || settings.Contains(TSettingsStore::kIn);
}

bool ChooseSimulator(controls::Tmrvbox& outputList, controls::Tmrvbox& inputList,
                     midi::TMidiOutput& output, midi::TMidiInput& input) {
  const QString simulator = QString::fromLatin1(midi::kSimulatorName);
  const int outputIndex = FindDevice(outputList, simulator);
  const int inputIndex = FindDevice(inputList, simulator);
  if (outputIndex == kNoDeviceChoice || inputIndex == kNoDeviceChoice) {
    return false;
  }
  outputList.setCurrentIndex(outputIndex);
  inputList.setCurrentIndex(inputIndex);
  SelectOutputDevice(output, outputIndex);
  SelectInputDevice(input, inputIndex);
  return true;
}

}  // namespace morvane::editor
