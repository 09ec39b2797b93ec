#include <QAction>
#include <QCheckBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QWindow>

#include "handler_guard.h"
#include "library_files.h"
#include "library_window.h"
#include "preset/bank_file.h"
#include "radio_group.h"
#include "tform1.h"
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

}  // namespace

void TForm1::BuildLibraryMenus() {
  Library1 = new QAction(QStringLiteral("Library"), this);
  Library1->setObjectName(QStringLiteral("Library1"));
  Library1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  Library1->setStatusTip(QStringLiteral("List every preset in the library folder"));
  ConnectGuarded(Library1, &QAction::triggered, this, &TForm1::Library1Click);
  View1->addAction(Library1);

  AddToLibrary1 = new QAction(QStringLiteral("Add to Library"), this);
  AddToLibrary1->setObjectName(QStringLiteral("AddToLibrary1"));
  AddToLibrary1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  AddToLibrary1->setStatusTip(
      QStringLiteral("Save the current channel's preset into the library folder under its name"));
  ConnectGuarded(AddToLibrary1, &QAction::triggered, this, &TForm1::AddToLibrary1Click);
  File1->addSeparator();
  File1->addAction(AddToLibrary1);

  // Drags out of the library land on the channel buttons.
  FLibraryDrops = new TEventHook(*this, [this](QEvent& event) {
    const QEvent::Type type = event.type();
    return (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
           LibraryDrag(event);
  });
}

QString TForm1::LibraryFolder() const {
  const QString chosen = settings ? settings->ReadText(kLibraryFolderSetting) : QString();
  return chosen.isEmpty() ? DefaultLibraryFolder() : chosen;
}

void TForm1::Library1Click() {
  if (FLibraryWindow == nullptr) {
    const QString folder = LibraryFolder();
    MakeLibraryFolder(folder);
    FLibraryWindow = new TLibraryWindow(this);
    FLibraryWindow->BackupBox()->setChecked(
        settings ? settings->ReadFlag(kLibraryBackupSetting, true) : true);
    connect(FLibraryWindow, &TLibraryWindow::LoadRequested, this,
            [this](const TLibraryReference& reference) {
              RunGuarded([&] { LoadFromLibrary(reference); });
            });
    connect(FLibraryWindow, &TLibraryWindow::AuditionRequested, this,
            [this](const TLibraryReference& reference) {
              RunGuarded([&] { StartAudition(reference); });
            });
    connect(FLibraryWindow, &TLibraryWindow::AuditionEnded, this,
            [this] { RunGuarded([this] { LeaveAudition(); }); });
    connect(FLibraryWindow, &TLibraryWindow::FolderChosen, this,
            [this](const QString& chosen) { RunGuarded([&] { ChooseLibraryFolder(chosen); }); });
    connect(FLibraryWindow, &TLibraryWindow::BackupChanged, this, [this](bool keep) {
      RunGuarded([&] {
        if (settings) {
          settings->WriteFlag(kLibraryBackupSetting, keep);
        }
      });
    });
    // Another window of the editor taking the keyboard ends the audition: every command of the
    // main window is given there.
    FFocusConnection =
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
          if (FAuditioning && window != nullptr && FLibraryWindow != nullptr &&
              window != FLibraryWindow->windowHandle()) {
            RunGuarded([this] { LeaveAudition(); });
          }
        });
    FLibraryWindow->ShowFolder(folder);
  }
  FLibraryWindow->show();
  FLibraryWindow->raise();
  FLibraryWindow->activateWindow();
}

void TForm1::CloseLibrary() {
  // Nothing of the library may run on a window that is being taken down.
  delete std::exchange(FLibraryDrops, nullptr);
  QObject::disconnect(FFocusConnection);
  // The note ends at once; the edit buffer's preset would only go out after shut-down.
  LeaveAudition();
  delete std::exchange(FLibraryWindow, nullptr);
}

void TForm1::ChooseLibraryFolder(const QString& folder) {
  MakeLibraryFolder(folder);
  if (settings) {
    settings->WriteText(kLibraryFolderSetting, folder);
  }
  FLibraryWindow->ShowFolder(folder);
}

void TForm1::AddToLibrary1Click() {
  const QString folder = LibraryFolder();
  MakeLibraryFolder(folder);
  preset::tMrv saved = images.at(static_cast<std::size_t>(CurrentChannelIndex()));
  saved.SetPresetNumber(PresetNumber());
  const std::string name = saved.ReadName();
  const QString file = WriteNewLibraryFile(
      folder,
      FileNameForPreset(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))),
      [&saved](const std::string& fileName) { saved.SavePreset(fileName); });
  StatusBar1->showMessage(
      QStringLiteral("Added to the library as %1").arg(QFileInfo(file).fileName()));
}

void TForm1::LoadFromLibrary(const TLibraryReference& reference) {
  LoadPresetBytes(CurrentChannelIndex(), ReadLibraryDump(reference), LibrarySourceName(reference),
                  QStringLiteral("Load"));
  SendCurrentChannel1Click();
}

void TForm1::DropFromLibrary(int channelIndex, const TLibraryReference& reference) {
  LoadPresetBytes(channelIndex, ReadLibraryDump(reference), LibrarySourceName(reference),
                  QStringLiteral("Load"));
  const std::string name = images.at(static_cast<std::size_t>(channelIndex)).ReadName();
  StatusBar1->showMessage(
      QStringLiteral("%1 loaded into %2; the module keeps its preset until you send this one")
          .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).trimmed(),
               ChannelText(channelIndex)));
}

bool TForm1::LibraryDrag(QEvent& event) {
  const QEvent::Type type = event.type();
  auto& drag = static_cast<QDropEvent&>(event);
  const QMimeData* data = drag.mimeData();
  if (data == nullptr || !data->hasFormat(QString::fromLatin1(kLibraryMimeType))) {
    return false;
  }
  const std::optional<TLibraryReference> reference =
      DecodeLibraryReference(data->data(QString::fromLatin1(kLibraryMimeType)));
  int target = TRadioGroup::kNoItem;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    const QRadioButton* button = channel->Button(channelIndex);
    const QRect place(button->mapTo(this, QPoint(0, 0)), button->size());
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
    QTimer::singleShot(0, this, [this, target, reference = *reference] {
      RunGuarded([&] { DropFromLibrary(target, reference); });
    });
  }
  return true;
}

void TForm1::BackUpAfterRequestAll() {
  FTransfers->observers.allPresetsReceived.push_back(
      [this](std::span<const preset::tMrv, kTransferPresetCount> /*images*/,
             const std::vector<int>& receivedChannelIndexes) {
        AllPresetsReceived(receivedChannelIndexes.size() == kTransferPresetCount);
      });
}

void TForm1::AllPresetsReceived(bool complete) {
  RunGuarded([&] {
    if (!complete || !settings || !settings->ReadFlag(kLibraryBackupSetting, true)) {
      return;
    }
    const QString folder = LibraryFolder();
    MakeLibraryFolder(folder);
    const preset::Bytes bank = preset::BuildBank(images);
    const QDateTime now = LibraryClock ? LibraryClock() : QDateTime::currentDateTime();
    const QString file = WriteNewLibraryFile(
        folder, BackupBaseName(now),
        [&bank](const std::string& fileName) { preset::WriteFileReplacing(fileName, bank); });
    StatusBar1->showMessage(
        StatusBar1->currentMessage() +
        QStringLiteral("; kept %1 in the library").arg(QFileInfo(file).fileName()));
  });
}

}  // namespace morvane::editor
