#include "preset_library.h"

#include <QCheckBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include "channel_owner.h"
#include "handler_guard.h"
#include "library_files.h"
#include "library_window.h"
#include "preset/bank_file.h"
#include "radio_group.h"
#include "settings_store.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

// Hands the events of the object it watches to a function first.
class TEventHook final : public QObject {
 public:
  using Handler = std::function<bool(QEvent& event)>;
  TEventHook(QObject& watched, Handler handler) : QObject(&watched), FHandler(std::move(handler)) {
    watched.installEventFilter(this);
  }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override { return FHandler(*event); }

 private:
  Handler FHandler;
};

QString ChannelText(int channelIndex) {
  return QStringLiteral("channel %1").arg(channelIndex + 1);
}

QString NameText(const std::string& name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

TPresetLibrary::TPresetLibrary(const TLibraryPlace& place)
    : FPlace(place),
      FAudition(place.channels, place.transfers, place.engine, place.output, place.window,
                [this] { return CurrentChannelIndex(); }) {
  // Drags out of the library land on the channel buttons.
  FDrops = new TEventHook(FPlace.window, [this](QEvent& event) {
    const QEvent::Type type = event.type();
    return (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
           Drag(event);
  });
  FPlace.transfers.observers.allPresetsReceived.push_back(
      [this](std::span<const preset::tMrv, kTransferPresetCount> /*images*/,
             const std::vector<int>& receivedChannelIndexes) {
        BackUp(receivedChannelIndexes.size() == kTransferPresetCount);
      });
}

TPresetLibrary::~TPresetLibrary() {
  Close();
}

int TPresetLibrary::CurrentChannelIndex() const {
  return FPlace.channelButtons.ItemIndex();
}

QString TPresetLibrary::Folder() const {
  const TSettingsStore* settings = FPlace.settings();
  const QString chosen = settings ? settings->ReadText(kFolderSetting) : QString();
  return chosen.isEmpty() ? DefaultLibraryFolder() : chosen;
}

void TPresetLibrary::SetZoom(int percent) {
  FZoom = percent;
  if (FWindow != nullptr) {
    FWindow->SetZoom(percent);
  }
}

void TPresetLibrary::Open() {
  if (FWindow == nullptr) {
    const QString folder = Folder();
    MakeLibraryFolder(folder);
    FWindow = new TLibraryWindow(&FPlace.window);
    const TSettingsStore* settings = FPlace.settings();
    FWindow->BackupBox()->setChecked(settings ? settings->ReadFlag(kBackupSetting, true) : true);
    QObject::connect(
        FWindow, &TLibraryWindow::LoadRequested, FWindow,
        [this](const TLibraryReference& reference) { RunGuarded([&] { Load(reference); }); });
    QObject::connect(FWindow, &TLibraryWindow::AuditionRequested, FWindow,
                     [this](const TLibraryReference& reference) {
                       RunGuarded([&] { FAudition.Start(ReadLibraryPreset(reference)); });
                     });
    QObject::connect(FWindow, &TLibraryWindow::AuditionEnded, FWindow,
                     [this] { RunGuarded([this] { FAudition.Leave(); }); });
    QObject::connect(FWindow, &TLibraryWindow::FolderChosen, FWindow,
                     [this](const QString& chosen) { RunGuarded([&] { ChooseFolder(chosen); }); });
    QObject::connect(FWindow, &TLibraryWindow::BackupChanged, FWindow, [this](bool keep) {
      RunGuarded([&] {
        if (TSettingsStore* settings = FPlace.settings()) {
          settings->WriteFlag(kBackupSetting, keep);
        }
      });
    });
    // Another window of the editor taking the keyboard ends the audition: every command of the
    // main window is given there.
    FFocusConnection = QObject::connect(
        qGuiApp, &QGuiApplication::focusWindowChanged, FWindow, [this](QWindow* window) {
          if (FAudition.Running() && window != nullptr && FWindow != nullptr &&
              window != FWindow->windowHandle()) {
            RunGuarded([this] { FAudition.Leave(); });
          }
        });
    FWindow->SetZoom(FZoom);
    FWindow->ShowFolder(folder);
  }
  FWindow->show();
  FWindow->raise();
  FWindow->activateWindow();
}

void TPresetLibrary::Close() {
  // Nothing of the library may run on a window that is being taken down.
  delete std::exchange(FDrops, nullptr);
  QObject::disconnect(FFocusConnection);
  // The note ends at once; the edit buffer's preset would only go out after shut-down.
  FAudition.Leave();
  delete std::exchange(FWindow, nullptr);
}

void TPresetLibrary::ChooseFolder(const QString& folder) {
  MakeLibraryFolder(folder);
  if (TSettingsStore* settings = FPlace.settings()) {
    settings->WriteText(kFolderSetting, folder);
  }
  FWindow->ShowFolder(folder);
}

void TPresetLibrary::AddCurrentChannel() {
  const QString folder = Folder();
  MakeLibraryFolder(folder);
  preset::tMrv saved = FPlace.channels.Image(CurrentChannelIndex());
  saved.SetPresetNumber(FPlace.presetNumber());
  const QString file =
      WriteNewLibraryFile(folder, FileNameForPreset(NameText(saved.ReadName())),
                          [&saved](const std::string& fileName) { saved.SavePreset(fileName); });
  FPlace.transfers.ReportSaved(CurrentChannelIndex());
  FPlace.statusBar.showMessage(
      QStringLiteral("Added to the library as %1").arg(QFileInfo(file).fileName()));
}

void TPresetLibrary::Load(const TLibraryReference& reference) {
  FPlace.channels.Load(CurrentChannelIndex(), ReadLibraryDump(reference),
                       LibrarySourceName(reference), QStringLiteral("Load"));
  FPlace.offerToSend();
}

void TPresetLibrary::Drop(int channelIndex, const TLibraryReference& reference) {
  FPlace.channels.Load(channelIndex, ReadLibraryDump(reference), LibrarySourceName(reference),
                       QStringLiteral("Load"));
  FPlace.statusBar.showMessage(
      QStringLiteral("%1 loaded into %2; the module keeps its preset until you send this one")
          .arg(NameText(FPlace.channels.Image(channelIndex).ReadName()).trimmed(),
               ChannelText(channelIndex)));
}

bool TPresetLibrary::Drag(QEvent& event) {
  const QEvent::Type type = event.type();
  auto& drag = static_cast<QDropEvent&>(event);
  const QMimeData* data = drag.mimeData();
  if (data == nullptr || !data->hasFormat(QString::fromLatin1(kLibraryMimeType))) {
    return false;
  }
  const std::optional<TLibraryReference> reference =
      DecodeLibraryReference(data->data(QString::fromLatin1(kLibraryMimeType)));
  int target = TRadioGroup::kNoItem;
  for (int channelIndex = 0; channelIndex < kOwnedChannelCount; ++channelIndex) {
    const QRadioButton* button = FPlace.channelButtons.Button(channelIndex);
    const QRect place(button->mapTo(&FPlace.window, QPoint(0, 0)), button->size());
    if (place.contains(drag.position().toPoint())) {
      target = channelIndex;
    }
  }
  // Entered anywhere, so that the moves over the channel buttons follow.
  if (type == QEvent::DragEnter && reference) {
    drag.setDropAction(Qt::CopyAction);
    drag.accept();
    return true;
  }
  if (!reference || target == TRadioGroup::kNoItem ||
      !drag.possibleActions().testFlag(Qt::CopyAction)) {
    drag.ignore();
    return true;
  }
  drag.setDropAction(Qt::CopyAction);
  drag.accept();
  if (type == QEvent::Drop) {
    // Loaded once the drop has ended, so that an error box never holds up the drag.
    QTimer::singleShot(0, &FPlace.window, [this, target, reference = *reference] {
      RunGuarded([&] { Drop(target, reference); });
    });
  }
  return true;
}

void TPresetLibrary::BackUp(bool complete) {
  const TSettingsStore* settings = FPlace.settings();
  if (!complete || settings == nullptr || !settings->ReadFlag(kBackupSetting, true)) {
    return;
  }
  const QString folder = Folder();
  MakeLibraryFolder(folder);
  const preset::Bytes bank = preset::BuildBank(FPlace.channels.Images());
  const QDateTime now = Clock ? Clock() : QDateTime::currentDateTime();
  const QString file = WriteNewLibraryFile(
      folder, BackupBaseName(now),
      [&bank](const std::string& fileName) { preset::WriteFileReplacing(fileName, bank); });
  FPlace.statusBar.showMessage(
      FPlace.statusBar.currentMessage() +
      QStringLiteral("; kept %1 in the library").arg(QFileInfo(file).fileName()));
}

}  // namespace morvane::editor
