#include "device_rescan.h"

#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <string>

#include "device_choice.h"
#include "dump_watch.h"
#include "handler_guard.h"
#include "midi/driver.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

// Right of showhint, where the Setup page has room.
constexpr int kRescanLeft = 208;
constexpr int kRescanTop = 86;
constexpr int kRescanWidth = 81;
constexpr int kRescanHeight = 21;

const QString kRescanHint =
    QStringLiteral("Look for MIDI devices again, keeping the chosen ones by name");

QString DirectionName(TPortDirection direction) {
  return direction == TPortDirection::Output ? QStringLiteral("output") : QStringLiteral("input");
}

bool SystemHasDevice(midi::MidiDriver& driver, TPortDirection direction, const QString& name) {
  const std::string wanted = name.toStdString();
  if (direction == TPortDirection::Output) {
    for (std::uint32_t id = 0; id < driver.OutGetNumDevs(); ++id) {
      midi::MidiOutCaps caps;
      if (driver.OutGetDevCaps(static_cast<std::int32_t>(id), caps) == midi::kNoError &&
          caps.productName == wanted) {
        return true;
      }
    }
    return false;
  }
  for (std::uint32_t id = 0; id < driver.InGetNumDevs(); ++id) {
    midi::MidiInCaps caps;
    if (driver.InGetDevCaps(id, caps) == midi::kNoError && caps.productName == wanted) {
      return true;
    }
  }
  return false;
}

// The device chosen in list, or the one remembered by name when the list has lost it.
QString ChosenName(const controls::Tmrvbox& list, const TSettingsStore* settings,
                   const char* nameKey) {
  const QString shown = DeviceName(list, list.currentIndex());
  if (!shown.isEmpty() || settings == nullptr) {
    return shown;
  }
  return settings->ReadText(nameKey);
}

}  // namespace

QString ClosedDeviceText(TPortDirection direction, const QString& name) {
  return QStringLiteral(
             "The MIDI %1 device \"%2\" is not open: choose it again or press Rescan on the "
             "Setup page")
      .arg(DirectionName(direction), name);
}

QString MissingDeviceText(TPortDirection direction, const QString& name) {
  return QStringLiteral("The MIDI %1 device \"%2\" is not there: its port stays closed")
      .arg(DirectionName(direction), name);
}

QString RescannedText(int outputCount, int inputCount) {
  return QStringLiteral("Found %1 MIDI output and %2 MIDI input devices")
      .arg(outputCount)
      .arg(inputCount);
}

QString LostDeviceText(TPortDirection direction, const QString& name, const QString& reason) {
  return QStringLiteral(
             "The MIDI %1 device \"%2\" went away (%3): its port is closed; press Rescan on the "
             "Setup page once it is back")
      .arg(DirectionName(direction), name, reason);
}

QString DeviceErrorText(TPortDirection direction, const QString& name, bool listed,
                        const QString& driverText) {
  QString words;
  if (name.isEmpty()) {
    words = QStringLiteral("No MIDI %1 device is chosen: choose one on the Setup page")
                .arg(DirectionName(direction));
  } else if (!listed) {
    words = QStringLiteral(
                "The MIDI %1 device \"%2\" is not there: choose another on the Setup page, or "
                "press Rescan there once it is back")
                .arg(DirectionName(direction), name);
  } else {
    words = ClosedDeviceText(direction, name);
  }
  return words + QLatin1Char('\n') + driverText;
}

void TForm1::WatchDevices() {
  // Reports of messages the port could not send reach the status bar from the first note on.
  engine.SysexSender().Watch(MidiOutput1);
  engine.ExplainSendError = [this](const std::string& driverText) {
    const QString problem = OutputProblem();
    return problem.isEmpty()
               ? driverText
               : (problem + QLatin1Char('\n') + QString::fromStdString(driverText)).toStdString();
  };
  MidiOutput1.OnDeviceLost = [this](const std::string& reason) {
    StatusBar1->showMessage(LostDeviceText(
        TPortDirection::Output, ChosenName(*midiout, settings.get(), TSettingsStore::kOutName),
        QString::fromStdString(reason)));
  };
  MidiInput1.OnDeviceLost = [this](const std::string& reason) {
    StatusBar1->showMessage(LostDeviceText(
        TPortDirection::Input, ChosenName(*midiin, settings.get(), TSettingsStore::kInName),
        QString::fromStdString(reason)));
  };
  // Start-up has looked at the devices before the window can say what kept some away.
  QTimer::singleShot(0, this, [this] {
    if (const std::string trouble = FDriver->DeviceTrouble(); !trouble.empty()) {
      const QString shown = StatusBar1->currentMessage();
      StatusBar1->showMessage(QString::fromStdString(trouble) +
                              (shown.isEmpty() ? QString() : QStringLiteral("; ") + shown));
    }
  });
}

void TForm1::BuildDumpWatchAndRescan() {
  WatchDevices();
  FDumpWatch = new TDumpWatch(*StatusBar1, this);
  // A closed port explains the silence better than the cables do: the request never went out,
  // or the answer had nowhere to arrive.
  FDumpWatch->NoAnswerText = [this](const QString& usual) {
    for (const QString& closed : {OutputProblem(), InputProblem()}) {
      if (!closed.isEmpty()) {
        return closed;
      }
    }
    return usual;
  };
  rescan = new QPushButton(QStringLiteral("Rescan"), Panel1);
  rescan->setObjectName(QStringLiteral("rescan"));
  rescan->setGeometry(kRescanLeft, kRescanTop, kRescanWidth, kRescanHeight);
  rescan->setToolTip(kRescanHint);
  rescan->setStatusTip(kRescanHint);
  ConnectGuarded(rescan, &QPushButton::clicked, this, &TForm1::rescanClick);
}

void TForm1::WatchRequestedDump() {
  FDumpWatch->Start(
      settings ? ReadDumpTimes(*settings)
               : TDumpTimes{TSettingsStore::kDefaultNoAnswerMs, TSettingsStore::kDefaultStallMs});
  if (const QString closed = InputProblem(); !closed.isEmpty()) {
    StatusBar1->showMessage(closed);
  }
}

QString TForm1::OutputProblem() const {
  const QString name = ChosenName(*midiout, settings.get(), TSettingsStore::kOutName);
  if (name.isEmpty()) {
    return MidiOutput1.State() == midi::mosOpen
               ? QString()
               : DeviceErrorText(TPortDirection::Output, name, false, QString()).trimmed();
  }
  return MidiOutput1.State() != midi::mosOpen ||
                 !SystemHasDevice(*FDriver, TPortDirection::Output, name)
             ? ClosedDeviceText(TPortDirection::Output, name)
             : QString();
}

QString TForm1::InputProblem() const {
  const QString name = ChosenName(*midiin, settings.get(), TSettingsStore::kInName);
  if (name.isEmpty()) {
    return MidiInput1.State() == midi::misOpen
               ? QString()
               : DeviceErrorText(TPortDirection::Input, name, false, QString()).trimmed();
  }
  return MidiInput1.State() != midi::misOpen ||
                 !SystemHasDevice(*FDriver, TPortDirection::Input, name)
             ? ClosedDeviceText(TPortDirection::Input, name)
             : QString();
}

void TForm1::rescanClick() {
  // Reopening the ports would cut a running transfer off.
  FTransfers->BeginCommand();
  const QString outputName = ChosenName(*midiout, settings.get(), TSettingsStore::kOutName);
  const QString inputName = ChosenName(*midiin, settings.get(), TSettingsStore::kInName);
  // The engine sets the input port's device id for each name, which an open port refuses.
  MidiInput1.StopInput();
  MidiInput1.ClosePort();
  MidiOutput1.RefreshDeviceCount();
  MidiInput1.RefreshDeviceCount();
  FillDeviceLists();

  QStringList problems;
  if (const std::string trouble = FDriver->DeviceTrouble(); !trouble.empty()) {
    problems << QString::fromStdString(trouble);
  }
  // The engine's filling leaves the output port open on its last device: with nothing chosen
  // it stays so, as at start-up.
  if (!outputName.isEmpty()) {
    const int index = FindDevice(*midiout, outputName);
    if (index == kNoDeviceChoice) {
      MidiOutput1.ClosePort();
      problems << MissingDeviceText(TPortDirection::Output, outputName);
    } else {
      midiout->setCurrentIndex(index);
      SelectOutputDevice(MidiOutput1, index);
      if (settings) {
        WriteOutputChoice(*midiout, *settings);
      }
      if (MidiOutput1.State() != midi::mosOpen) {
        problems << ClosedDeviceText(TPortDirection::Output, outputName);
      }
    }
  }
  if (!inputName.isEmpty()) {
    const int index = FindDevice(*midiin, inputName);
    if (index == kNoDeviceChoice) {
      problems << MissingDeviceText(TPortDirection::Input, inputName);
    } else {
      midiin->setCurrentIndex(index);
      SelectInputDevice(MidiInput1, index);
      if (settings) {
        WriteInputChoice(*midiin, *settings);
      }
      if (MidiInput1.State() != midi::misOpen) {
        problems << ClosedDeviceText(TPortDirection::Input, inputName);
      }
    }
  }
  StatusBar1->showMessage(problems.isEmpty() ? RescannedText(midiout->count(), midiin->count())
                                             : problems.join(QStringLiteral("; ")));
}

}  // namespace morvane::editor
