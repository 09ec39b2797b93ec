#include <QCheckBox>
#include <QCloseEvent>
#include <QStatusBar>
#include <functional>
#include <string>
#include <vector>

#include "data_files.h"
#include "device_choice.h"
#include "file_dialog.h"
#include "find_child.h"
#include "handler_guard.h"
#include "hear_reference.h"
#include "hint_switch.h"
#include "keyboard_preview.h"
#include "parammap/generic_list.h"
#include "preset_library.h"
#include "session_keeper.h"
#include "startup_step.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "view_zoom.h"

namespace morvane::editor {

namespace {

using controls::Tdragger;
using controls::Tmrvbox;

const QString kSimulatorChosenText =
    QStringLiteral("Using the built-in Morvane Simulator: choose your module on the Setup page");
const QString kInstrumentIndent = QStringLiteral("  ");
// A list without a selection until the refresh shows the image's value.
constexpr int kNoSelection = -1;
constexpr const char* kNameSection = "name";

// The patch-cord rows: the layout gives the choice lists to row 1 only.
constexpr int kCordRowCount = 24;
constexpr int kFirstCordSource = 72;
constexpr int kFirstCordDestination = 73;
constexpr int kCordRowStride = 3;

QString DraggerName(int number) {
  return QStringLiteral("dragger") + QString::number(number);
}

// Shows what fill put in names, also the entries made before it failed.
void FillList(Tmrvbox& list, const std::function<void(std::vector<std::string>&)>& fill) {
  std::vector<std::string> names;
  const auto show = [&] {
    list.clear();
    for (const std::string& name : names) {
      list.addItem(QString::fromStdString(name));
    }
    list.setCurrentIndex(kNoDeviceChoice);
  };
  try {
    fill(names);
  } catch (...) {
    show();
    throw;
  }
  show();
}

}  // namespace

void TForm1::FormCreate() {
  FHintSwitch = new THintSwitch(this);
  FKeyboardPreview = new TKeyboardPreview(
      *this,
      [this](morvane::engine::TVirtualKey key, morvane::engine::TShiftState shift) {
        FormKeyDown(key, shift);
      },
      [this](morvane::engine::TVirtualKey key, morvane::engine::TShiftState shift) {
        FormKeyUp(key, shift);
      });
  settings = std::make_unique<TSettingsStore>();
  receiveBuffer.Clear();
  RunStep([this] { FillDeviceLists(); });
  RestoreDevices();
  RunStep([this] { LoadInstruments(); });
  RunStep([this] { LoadImages(); });
  RunStep([this] { LoadParameterList(); });
  RunStep([this] { CopyCordLists(); });
  params->setCurrentIndex(parammap::kGenericStartItem);
  RunStep([this] { RestoreSession(); });
  RunStep([this] { RefreshControls(); });
  RunStep([this] { RestoreDialogNames(); });
  RunStep([this] { RestoreHint(); });
  RunStep([this] { FViewZoom->Restore(); });
  RunStep([this] { RestoreEditingSettings(); });
}

void TForm1::FormDestroy() {
  delete FKeyboardPreview;
  FKeyboardPreview = nullptr;
  RunStep([this] { FLibrary->Close(); });
  if (!settings) {
    return;
  }
  RunStep([this] { PersistOutputDevice(*midiout, TPersist::Store, *settings, MidiOutput1); });
  RunStep([this] { PersistInputDevice(*midiin, TPersist::Store, *settings, MidiInput1); });
  RunStep([this] { StoreDialogNamesAndHint(); });
  RunStep([this] { FSession->KeepAtShutDown(); });
  settings.reset();
  paramTable = TProfileFile();
  receiveBuffer.Clear();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A heard reference must not stay in the module: the edited version goes to the driver now,
  // since the event loop may not come round again once the last window has closed. Other
  // queued strings are left to the loop, so that no buffer is still playing when the ports
  // close (their close would refuse).
  RunStep([this] {
    if (FHearReference->Heard()) {
      FHearReference->End();
      engine.SysexSender().SendQueuedNow();
    }
  });
  RunStep([this] { FSession->KeepAtClose(); });
  QMainWindow::closeEvent(event);
}

void TForm1::FillDeviceLists() {
  RunStep([this] { FillList(*midiout, [this](auto& names) { engine.FillOutputList(names); }); });
  FillList(*midiin, [this](auto& names) { engine.FillInputList(names); });
}

void TForm1::RestoreDevices() {
  if (!HasStoredDeviceChoice(*settings)) {
    RunStep([this] {
      if (ChooseSimulator(*midiout, *midiin, MidiOutput1, MidiInput1)) {
        StatusBar1->showMessage(kSimulatorChosenText);
      }
    });
    return;
  }
  RunStep([this] { PersistOutputDevice(*midiout, TPersist::Restore, *settings, MidiOutput1); });
  RunStep([this] { PersistInputDevice(*midiin, TPersist::Restore, *settings, MidiInput1); });
}

void TForm1::LoadInstruments() {
  instr->clear();
  const QStringList lines = ReadTextLines(DataFilePath(FProgramDirectory, kInstrumentFile));
  for (const QString& line : lines) {
    instr->addItem(kInstrumentIndent + line);
  }
  instr->setCurrentIndex(kNoSelection);
}

void TForm1::LoadImages() {
  // Read once and copied: all 16 images start equal, and a file that cannot be read leaves
  // every image as it was.
  FChannels->StartFrom(InitialPreset());
}

void TForm1::RestoreSession() {
  KeepChannels1->setChecked(FSession->Keeping());
  KeepChannels1->setEnabled(FSession->MayKeep());
  FSession->Restore();
}

void TForm1::LoadParameterList() {
  paramTable =
      TProfileFile::Load(LocalFileName(DataFilePath(FProgramDirectory, kParameterListFile)));
  params->clear();
  for (int key = 0; key < parammap::kGenericListSize; ++key) {
    params->addItem(
        QString::fromStdString(paramTable.ReadString(kNameSection, std::to_string(key))));
  }
}

void TForm1::CopyCordLists() {
  const auto* firstSource = FindChildByName<Tdragger>(*this, DraggerName(kFirstCordSource));
  const auto* firstDestination =
      FindChildByName<Tdragger>(*this, DraggerName(kFirstCordDestination));
  for (int row = 1; row < kCordRowCount; ++row) {
    const std::pair<int, const Tdragger*> columns[] = {{kFirstCordSource, firstSource},
                                                       {kFirstCordDestination, firstDestination}};
    for (const auto& [first, model] : columns) {
      auto* target = FindChildByName<Tdragger>(*this, DraggerName(first + kCordRowStride * row));
      // The refresh of the Patchcords page sets the caption from the image.
      const QString caption = target->Caption();
      target->setItems(model->Items());
      target->setCaption(caption);
    }
  }
}

void TForm1::RestoreDialogNames() {
  OpenDialog1->setFileName(settings->ReadText(TSettingsStore::kOpen));
  SaveDialog1->setFileName(settings->ReadText(TSettingsStore::kSave));
  const auto remember = [this](TFileDialog* dialog, const char* name) {
    connect(dialog, &TFileDialog::FileNameChanged, this, [this, name](const QString& fileName) {
      RunGuarded([&] {
        if (settings) {
          settings->WriteText(name, fileName);
        }
      });
    });
  };
  remember(OpenDialog1, TSettingsStore::kOpen);
  remember(SaveDialog1, TSettingsStore::kSave);
}

void TForm1::RestoreHint() {
  const bool show = settings->ReadFlag(TSettingsStore::kHint, true);
  FHintSwitch->SetShowHint(show);
  showhint->setChecked(show);
}

void TForm1::StoreDialogNamesAndHint() {
  settings->WriteText(TSettingsStore::kOpen, OpenDialog1->FileName());
  settings->WriteText(TSettingsStore::kSave, SaveDialog1->FileName());
  settings->WriteFlag(TSettingsStore::kHint, showhint->isChecked());
}

}  // namespace morvane::editor
