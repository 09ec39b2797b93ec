#include <QCheckBox>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTime>

#include "channel_owner.h"
#include "data_files.h"
#include "device_choice.h"
#include "hint_switch.h"
#include "radio_group.h"
#include "status_bar.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

constexpr double kMillisecondsPerDay = 24.0 * 60 * 60 * 1000;
constexpr int kTimeDigits = 15;

// "debug" + the time of day as a fraction of a day, in the user's number format.
QString DebugFileName() {
  const double fraction = QTime::currentTime().msecsSinceStartOfDay() / kMillisecondsPerDay;
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return QStringLiteral("debug") + locale.toString(fraction, 'g', kTimeDigits) +
         QStringLiteral(".syx");
}

}  // namespace

void TForm1::midioutChange() {
  FTransfers->BeginDeviceChange(*midiout, MidiOutput1.DeviceID());
  ChooseOutputDevice(*midiout, *settings, MidiOutput1);
}

void TForm1::midiinChange() {
  FTransfers->BeginDeviceChange(*midiin, MidiInput1.DeviceID());
  ChooseInputDevice(*midiin, *settings, MidiInput1);
}

void TForm1::showhintClick() {
  FHintSwitch->SetShowHint(showhint->isChecked());
  settings->WriteFlag(TSettingsStore::kHint, showhint->isChecked());
}

void TForm1::Debug1Click() {
  const QDir desktop(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  const QString path = QDir::toNativeSeparators(desktop.absoluteFilePath(DebugFileName()));
  FChannels->Image(CurrentChannelIndex()).SavePreset(LocalFileName(path));
}

void TForm1::FormKeyDown(morvane::engine::TVirtualKey key, morvane::engine::TShiftState shift) {
  engine.KeyDown(key, shift);
}

void TForm1::FormKeyUp(morvane::engine::TVirtualKey key, morvane::engine::TShiftState /*shift*/) {
  engine.KeyUp(key);
  FStatusBar->ShowPassing(QString::fromStdString(engine.Note()));
}

}  // namespace morvane::editor
