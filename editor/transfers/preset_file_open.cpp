#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QList>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "channel_owner.h"
#include "data_files.h"
#include "handler_guard.h"
#include "preset/preset_file.h"
#include "radio_group.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kPresetFileSuffix = QStringLiteral(".syx");
constexpr int kQuestionKind = 1;

// The one local preset file that a drag carries; empty for anything else.
QString DraggedPresetFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return {};
  }
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) {
    return {};
  }
  const QString path = LocalFileOfUrl(urls.front());
  return path.endsWith(kPresetFileSuffix, Qt::CaseInsensitive) ? path : QString();
}

// The editor only reads a dropped file: it takes a copy, never a move, which would let the
// program the file came from delete it.
QString AcceptAsCopy(QDropEvent& event) {
  const QString path = DraggedPresetFile(event.mimeData());
  if (path.isEmpty() || !event.possibleActions().testFlag(Qt::CopyAction)) {
    event.ignore();
    return {};
  }
  event.setDropAction(Qt::CopyAction);
  event.accept();
  return path;
}

}  // namespace

TForm1::TFileLoad TForm1::LoadPresetFile(int channelIndex, const QString& path,
                                         const QString& undoText) {
  FChannels->RefuseWhileTransferring();
  const std::string fileName = LocalFileName(path);
  const preset::Bytes bytes = preset::ReadWholeFile(fileName);
  if (preset::IsBankOfPresets(bytes)) {
    const QString question =
        QStringLiteral(
            "%1 holds a bank of 16 presets, not one preset. Load the bank into all 16 "
            "channels?")
            .arg(QString::fromStdString(fileName));
    if (!engine.AskUser(question.toStdString(), kQuestionKind)) {
      return TFileLoad::Declined;
    }
    LoadBankFile(path);
    return TFileLoad::Bank;
  }
  preset::CheckPresetBytes(bytes, fileName);
  FChannels->Load(channelIndex, bytes, path, undoText);
  return TFileLoad::Preset;
}

void TForm1::OpenHandedFile(const QString& path) {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
  if (path.isEmpty()) {
    return;
  }
  RunGuarded([&] {
    LoadPresetFile(CurrentChannelIndex(), path,
                   QStringLiteral("Open %1").arg(QFileInfo(path).fileName()));
  });
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  AcceptAsCopy(*event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  AcceptAsCopy(*event);
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString path = AcceptAsCopy(*event);
  if (path.isEmpty()) {
    return;
  }
  // Loaded once the drop has ended, so that an error box never holds up the program the file
  // came from; into the channel that was current when the file was let go.
  const int channelIndex = channel->ItemIndex();
  QTimer::singleShot(0, this, [this, channelIndex, path] {
    RunGuarded([&] {
      LoadPresetFile(channelIndex, path, QStringLiteral("Drop %1").arg(QFileInfo(path).fileName()));
    });
  });
}

}  // namespace morvane::editor
