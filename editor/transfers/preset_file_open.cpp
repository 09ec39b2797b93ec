#include <QDragEnterEvent>
#include <QDropEvent>
#include <QList>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "data_files.h"
#include "radio_group.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kPresetFileSuffix = QStringLiteral(".syx");

// The one local preset file that a drag carries; empty for anything else.
QString DraggedPresetFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return {};
  }
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) {
    return {};
  }
  const QString path = urls.front().toLocalFile();
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

void TForm1::LoadPresetFile(int channelIndex, const QString& path) {
  images.at(static_cast<std::size_t>(channelIndex)).LoadPreset(LocalFileName(path));
  RefreshControls();
  ChannelChanged(channelIndex);
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
  QTimer::singleShot(0, this, [this, channelIndex, path] { LoadPresetFile(channelIndex, path); });
}

}  // namespace morvane::editor
