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

// Runs select; a port error raised there comes back as EDeviceError about the device called
// name.
template <typename Select>
bool InDeviceWords(TPortDirection direction, const QString& name, bool listed, Select select) {
  try {
    return select();
  } catch (const midi::EmidioutputError& error) {
    throw EDeviceError(
        DeviceErrorText(direction, name, listed, QString::fromUtf8(error.what())).toStdString());
  } catch (const midi::EMidiInputError& error) {
    throw EDeviceError(
        DeviceErrorText(direction, name, listed, QString::fromUtf8(error.what())).toStdString());
  }
}

[[noreturn]] void RaiseNotOpened(TPortDirection direction, const QString& name,
                                 const std::string& driverText) {
  throw EDeviceError(
      DeviceErrorText(direction, name, true, QString::fromStdString(driverText)).toStdString());
}

// The name of the device chosen in list, or the one remembered when the list has none chosen.
QString ChoiceName(const controls::Tmrvbox& list, const TSettingsStore& settings,
                   const char* nameKey) {
  const QString shown = DeviceName(list, list.currentIndex());
  return shown.isEmpty() ? settings.ReadText(nameKey) : shown;
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

bool SelectOutputDevice(midi::TMidiOutput& port, int index) {
  port.ClosePort();
  port.SetDeviceID(index);
  return port.OpenPort();
}

void RestartInputDevice(const controls::Tmrvbox& list, midi::TMidiInput& port) {
  const int index = list.currentIndex();
  InDeviceWords(TPortDirection::Input, DeviceName(list, index), true, [&] {
    port.ClosePort();
    // No choice (-1) becomes an id beyond every device, which the port refuses with its error.
    port.SetDeviceID(static_cast<std::uint16_t>(index));
    port.OpenPort();
    port.StartInput();
    return true;
  });
}

bool SelectInputDevice(midi::TMidiInput& port, int index) {
  port.StopInput();
  port.ClosePort();
  // No choice (-1) becomes an id beyond every device, which the port refuses with its error.
  port.SetDeviceID(static_cast<std::uint16_t>(index));
  port.OpenPort();
  port.StartInput();
  return port.State() == midi::misOpen;
}

void ChooseOutputDevice(const controls::Tmrvbox& list, TSettingsStore& settings,
                        midi::TMidiOutput& port) {
  const int index = list.currentIndex();
  const QString name = DeviceName(list, index);
  const bool opened = InDeviceWords(TPortDirection::Output, name, true,
                                    [&] { return SelectOutputDevice(port, index); });
  WriteOutputChoice(list, settings);
  if (!opened) {
    RaiseNotOpened(TPortDirection::Output, name, port.ResultText(port.LastResult()));
  }
}

void ChooseInputDevice(const controls::Tmrvbox& list, TSettingsStore& settings,
                       midi::TMidiInput& port) {
  const int index = list.currentIndex();
  const QString name = DeviceName(list, index);
  const bool opened = InDeviceWords(TPortDirection::Input, name, true,
                                    [&] { return SelectInputDevice(port, index); });
  WriteInputChoice(list, settings);
  if (!opened) {
    RaiseNotOpened(TPortDirection::Input, name, port.ResultText(port.Error()));
  }
}

void PersistOutputDevice(controls::Tmrvbox& list, TPersist mode, TSettingsStore& settings,
                         midi::TMidiOutput& port) {
  if (mode == TPersist::Store) {
    port.ClosePort();
    WriteOutputChoice(list, settings);
    return;
  }
  if (SelectStoredDevice(list, settings, TSettingsStore::kOut, TSettingsStore::kOutName)) {
    InDeviceWords(TPortDirection::Output, ChoiceName(list, settings, TSettingsStore::kOutName),
                  list.currentIndex() != kNoDeviceChoice,
                  [&] { return SelectOutputDevice(port, list.currentIndex()); });
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
    InDeviceWords(TPortDirection::Input, ChoiceName(list, settings, TSettingsStore::kInName),
                  list.currentIndex() != kNoDeviceChoice,
                  [&] { return SelectInputDevice(port, list.currentIndex()); });
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
