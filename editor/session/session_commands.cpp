#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <stdexcept>

#include "data_files.h"
#include "handler_guard.h"
#include "preset/file_io.h"
#include "preset/preset_errors.h"
#include "radio_group.h"
#include "session_file.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kSessionFileName = QStringLiteral("channels.session");
const QString kDamagedSuffix = QStringLiteral(".damaged");
const char* const kInitializeAllQuestion =
    "This will replace the presets on all 16 channels with the initial preset. Continue?";
const QString kInitializeAllText = QStringLiteral("Initialize All Channels");

bool SameImage(const preset::tMrv& left, const preset::tMrv& right) {
  return std::ranges::equal(left.View(), right.View()) &&
         std::ranges::equal(left.RawDump().View(), right.RawDump().View());
}

QString Native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

}  // namespace

void TForm1::BuildSessionMenu() {
  InitializeAllChannels1 = new QAction(kInitializeAllText, this);
  InitializeAllChannels1->setObjectName(QStringLiteral("InitializeAllChannels1"));
  InitializeAllChannels1->setStatusTip(
      QStringLiteral("Start afresh: the initial preset on all 16 channels"));
  ConnectGuarded(InitializeAllChannels1, &QAction::triggered, this,
                 &TForm1::InitializeAllChannels1Click);
  KeepChannels1 = new QAction(QStringLiteral("Keep the channels between sessions"), this);
  KeepChannels1->setObjectName(QStringLiteral("KeepChannels1"));
  KeepChannels1->setCheckable(true);
  KeepChannels1->setStatusTip(
      QStringLiteral("Bring back all 16 channels, and the channel, layer and page shown, at the "
                     "next start"));
  ConnectGuarded(KeepChannels1, &QAction::triggered, this, &TForm1::KeepChannels1Click);
  File1->addActions({InitializeAllChannels1, KeepChannels1});
}

bool TForm1::KeepsChannels() const {
  return settings && settings->ReadFlag(kKeepChannelsSetting, true);
}

QString TForm1::SessionFile() const {
  const QString chosen = settings ? settings->ReadText(kSessionFileSetting) : QString();
  if (!chosen.isEmpty()) {
    return chosen;
  }
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
      .filePath(kSessionFileName);
}

void TForm1::RestoreSession() {
  KeepChannels1->setChecked(KeepsChannels());
  if (!KeepsChannels()) {
    return;
  }
  StartSessionChecks();
  const QString path = SessionFile();
  preset::RemoveLeftTemporaries(LocalFileName(QFileInfo(path).absolutePath()));
  if (!QFileInfo::exists(path)) {
    // Said only when there was one: a first start has nothing to miss.
    if (settings->ReadFlag(kSessionWrittenSetting, false)) {
      StatusBar1->showMessage(QStringLiteral("The channels of the last session were not found "
                                             "(%1): every channel starts from the initial preset")
                                  .arg(Native(path)));
    }
    return;
  }
  const preset::Bytes bytes = preset::ReadWholeFile(LocalFileName(path), kSessionFileLimit);
  TDecodedSession decoded;
  try {
    decoded = DecodeSession(bytes);
  } catch (const TSessionDamaged& damaged) {
    // Kept aside for whoever wants to look, and never reported again.
    const QString kept = path + kDamagedSuffix;
    QFile::remove(kept);
    const bool moved = QFile::rename(path, kept);
    throw std::runtime_error(
        QStringLiteral("The channels of the last session could not be read: %1 is damaged (%2).%3 "
                       "Every channel starts from the initial preset.")
            .arg(Native(path), QString::fromUtf8(damaged.what()),
                 moved ? QStringLiteral(" It was kept as %1.").arg(Native(kept)) : QString())
            .toStdString());
  }
  TSession& session = decoded.session;
  const std::vector<int>& damagedChannels = decoded.damage.channelNumbers;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    // A damaged channel keeps the initial preset it started with.
    if (std::ranges::find(damagedChannels, channelIndex + 1) == damagedChannels.end()) {
      images.at(static_cast<std::size_t>(channelIndex)) =
          std::move(session.images.at(static_cast<std::size_t>(channelIndex)));
    }
  }
  // Whatever the module holds now, it was not told of these.
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    ChannelChanged(channelIndex);
  }
  // Shown by the refresh that ends the start-up.
  {
    const QSignalBlocker blockChannel(channel);
    const QSignalBlocker blockLayer(layer);
    const QSignalBlocker blockPage(PageControl1);
    channel->setItemIndex(session.channelIndex);
    layer->setItemIndex(session.layerIndex);
    PageControl1->setCurrentIndex(session.pageIndex);
  }
  engine.SetChannel(session.channelIndex);
  FKeptSession = bytes;
  if (decoded.damage.Any()) {
    // A copy: the file still holds the channels that came back until the next write.
    const QString kept = path + kDamagedSuffix;
    QFile::remove(kept);
    const bool copied = QFile::copy(path, kept);
    throw std::runtime_error(
        QStringLiteral("The channels of the last session came back, but %1.%2")
            .arg(QString::fromStdString(decoded.damage.Text()),
                 copied ? QStringLiteral(" The damaged file was kept as %1.").arg(Native(kept))
                        : QString())
            .toStdString());
  }
}

void TForm1::StartSessionChecks() {
  const int checks = ++FSessionChecks;
  // Once the start-up is over, so that tests can put in their own waits first.
  QTimer::singleShot(0, this, [this, checks] { WaitForSessionCheck(checks); });
}

void TForm1::WaitForSessionCheck(int checks) {
  if (checks != FSessionChecks) {
    return;
  }
  auto check = [this, checks] {
    if (checks != FSessionChecks) {
      return;
    }
    RunGuarded([this] { KeepSession(); });
    WaitForSessionCheck(checks);
  };
  if (StartSessionWait) {
    StartSessionWait(kSessionCheckMs, std::move(check));
  } else {
    QTimer::singleShot(kSessionCheckMs, this, std::move(check));
  }
}

void TForm1::KeepSession() {
  TSession session;
  session.images = images;
  session.channelIndex = CurrentChannelIndex();
  session.layerIndex = layer->ItemIndex();
  session.pageIndex = PageControl1->currentIndex();
  preset::Bytes bytes = EncodeSession(session);
  if (bytes == FKeptSession) {
    return;
  }
  const QString path = SessionFile();
  try {
    QDir().mkpath(QFileInfo(path).absolutePath());
    preset::WriteFileReplacing(LocalFileName(path), bytes);
  } catch (...) {
    // Said once, not at every check, until a write works again.
    if (!std::exchange(FSessionWriteFailed, true)) {
      throw;
    }
    return;
  }
  FSessionWriteFailed = false;
  FKeptSession = std::move(bytes);
  if (!settings->ReadFlag(kSessionWrittenSetting, false)) {
    settings->WriteFlag(kSessionWrittenSetting, true);
  }
}

void TForm1::KeepSessionAtShutDown() {
  if (!KeepsChannels()) {
    return;
  }
  ++FSessionChecks;
  // Written whatever the last check found: the file may have gone since.
  FKeptSession.clear();
  KeepSession();
}

void TForm1::KeepChannels1Click() {
  const bool keep = KeepChannels1->isChecked();
  settings->WriteFlag(kKeepChannelsSetting, keep);
  FKeptSession.clear();
  if (keep) {
    StartSessionChecks();
    KeepSession();
    return;
  }
  // Nothing is brought back from a file that is no longer kept up to date.
  ++FSessionChecks;
  const QString path = SessionFile();
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    throw preset::FileCreateError(LocalFileName(path));
  }
}

void TForm1::InitializeAllChannels1Click() {
  if (!Confirm(kInitializeAllQuestion)) {
    return;
  }
  preset::tMrv initial;
  initial.LoadPreset(LocalFileName(DataFilePath(ProgramDirectory(), kInitialPresetFile)));
  const std::array<preset::tMrv, kChannelCount> before = images;
  images.fill(initial);
  std::vector<int> changed;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    if (!SameImage(before.at(static_cast<std::size_t>(channelIndex)),
                   images.at(static_cast<std::size_t>(channelIndex)))) {
      changed.push_back(channelIndex);
    }
  }
  if (!changed.empty()) {
    undoStack->beginMacro(kInitializeAllText);
    for (const int channelIndex : changed) {
      RecordPresetChange(channelIndex, before.at(static_cast<std::size_t>(channelIndex)),
                         kInitializeAllText);
      ChannelChanged(channelIndex);
    }
    undoStack->endMacro();
  }
  RefreshControls();
}

}  // namespace morvane::editor
