#include "session_keeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "channel_owner.h"
#include "data_files.h"
#include "handler_guard.h"
#include "preset/file_io.h"
#include "preset/preset_errors.h"
#include "session_file.h"
#include "settings_store.h"

namespace morvane::editor {

namespace {

const QString kSessionFileName = QStringLiteral("channels.session");
const QString kDamagedSuffix = QStringLiteral(".damaged");

QString Native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

}  // namespace

TSessionKeeper::TSessionKeeper(const TSessionPlace& place) : FPlace(place) {}

bool TSessionKeeper::Keeping() const {
  const TSettingsStore* settings = FPlace.settings();
  return settings != nullptr && settings->ReadFlag(kKeepChannelsSetting, true);
}

QString TSessionKeeper::File() const {
  const TSettingsStore* settings = FPlace.settings();
  const QString chosen = settings ? settings->ReadText(kSessionFileSetting) : QString();
  if (!chosen.isEmpty()) {
    return chosen;
  }
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
      .filePath(kSessionFileName);
}

void TSessionKeeper::Restore() {
  if (!Keeping()) {
    return;
  }
  StartChecks();
  const QString path = File();
  preset::RemoveLeftTemporaries(LocalFileName(QFileInfo(path).absolutePath()));
  if (!QFileInfo::exists(path)) {
    // Said only when there was one: a first start has nothing to miss.
    if (FPlace.settings()->ReadFlag(kSessionWrittenSetting, false)) {
      FPlace.statusBar.showMessage(
          QStringLiteral("The channels of the last session were not found (%1): every channel "
                         "starts from the initial preset")
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
  auto images = FPlace.channels.Images();
  for (int channelIndex = 0; channelIndex < preset::kChannelCount; ++channelIndex) {
    // A damaged channel keeps the initial preset it started with.
    if (std::ranges::find(damagedChannels, channelIndex + 1) == damagedChannels.end()) {
      images.at(static_cast<std::size_t>(channelIndex)) =
          std::move(session.images.at(static_cast<std::size_t>(channelIndex)));
    }
  }
  FPlace.channels.BringBack(images);
  FPlace.show({session.channelIndex, session.layerIndex, session.pageIndex});
  FKept = bytes;
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

void TSessionKeeper::StartChecks() {
  const int checks = ++FChecks;
  // Once the start-up is over, so that tests can put in their own waits first.
  QTimer::singleShot(0, &FPlace.context, [this, checks] { WaitForCheck(checks); });
}

void TSessionKeeper::WaitForCheck(int checks) {
  if (checks != FChecks) {
    return;
  }
  auto check = [this, checks] {
    if (checks != FChecks) {
      return;
    }
    RunGuarded([this] { Keep(); });
    WaitForCheck(checks);
  };
  if (StartWait) {
    StartWait(kCheckMs, std::move(check));
  } else {
    QTimer::singleShot(kCheckMs, &FPlace.context, std::move(check));
  }
}

void TSessionKeeper::Keep() {
  TSession session;
  session.images = FPlace.channels.Images();
  const TShownPlace shown = FPlace.shown();
  session.channelIndex = shown.channelIndex;
  session.layerIndex = shown.layerIndex;
  session.pageIndex = shown.pageIndex;
  preset::Bytes bytes = EncodeSession(session);
  if (bytes == FKept) {
    return;
  }
  const QString path = File();
  try {
    QDir().mkpath(QFileInfo(path).absolutePath());
    preset::WriteFileReplacing(LocalFileName(path), bytes);
  } catch (...) {
    // Said once, not at every check, until a write works again.
    if (!std::exchange(FWriteFailed, true)) {
      throw;
    }
    return;
  }
  FWriteFailed = false;
  FKept = std::move(bytes);
  TSettingsStore* settings = FPlace.settings();
  if (settings != nullptr && !settings->ReadFlag(kSessionWrittenSetting, false)) {
    settings->WriteFlag(kSessionWrittenSetting, true);
  }
}

void TSessionKeeper::KeepAtShutDown() {
  if (!Keeping()) {
    return;
  }
  ++FChecks;
  // Written whatever the last check found: the file may have gone since.
  FKept.clear();
  Keep();
}

void TSessionKeeper::SetKeeping(bool keep) {
  if (TSettingsStore* settings = FPlace.settings()) {
    settings->WriteFlag(kKeepChannelsSetting, keep);
  }
  FKept.clear();
  if (keep) {
    StartChecks();
    Keep();
    return;
  }
  // Nothing is brought back from a file that is no longer kept up to date.
  ++FChecks;
  const QString path = File();
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    throw preset::FileCreateError(LocalFileName(path));
  }
}

}  // namespace morvane::editor
