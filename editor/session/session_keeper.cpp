#include "session_keeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "application_title.h"
#include "channel_owner.h"
#include "channel_references.h"
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

bool SameImage(const preset::tMrv& one, const preset::tMrv& other) {
  return std::ranges::equal(one.View(), other.View()) &&
         std::ranges::equal(one.RawDump().View(), other.RawDump().View());
}

bool SameReference(const std::optional<preset::tMrv>& one,
                   const std::optional<preset::tMrv>& other) {
  return one.has_value() == other.has_value() && (!one || SameImage(*one, *other));
}

bool SameSession(const TSession& one, const TSession& other) {
  return one.channelIndex == other.channelIndex && one.layerIndex == other.layerIndex &&
         one.pageIndex == other.pageIndex &&
         std::ranges::equal(one.images, other.images, SameImage) &&
         std::ranges::equal(one.references, other.references, SameReference);
}

void WriteSession(const QString& path, const TSession& session) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  preset::WriteFileReplacing(LocalFileName(path), EncodeSession(session));
}

const QString kFailedCloseText =
    QStringLiteral("The channels could not be kept for the next session.\n\n%1");
const QString kRetryText = QStringLiteral("Retry");
const QString kSaveAsBankText = QStringLiteral("Save the channels as a bank…");
const QString kQuitWithoutKeepingText = QStringLiteral("Quit without keeping them");

}  // namespace

TSessionKeeper::TSessionKeeper(const TSessionPlace& place)
    : FPlace(place), FReplies(std::make_unique<QObject>()) {}

TSessionKeeper::~TSessionKeeper() {
  // No write outlives the keeper; what it found was reported by the shut-down, or is moot.
  if (FWriting.valid()) {
    FWriting.wait();
  }
}

QString TSessionKeeper::FileIn(const TSettingsStore* settings) {
  const QString chosen = settings ? settings->ReadText(kSessionFileSetting) : QString();
  if (!chosen.isEmpty()) {
    return chosen;
  }
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
      .filePath(kSessionFileName);
}

bool TSessionKeeper::Keeping() const {
  const TSettingsStore* settings = FPlace.settings();
  return MayKeep() && settings != nullptr && settings->ReadFlag(kKeepChannelsSetting, true);
}

QString TSessionKeeper::File() const {
  return FileIn(FPlace.settings());
}

void TSessionKeeper::Restore() {
  if (!MayKeep()) {
    FPlace.statusBar.showMessage(FPlace.right.whyNot);
    return;
  }
  if (Keeping()) {
    RestoreKept();
  }
  if (!FPlace.right.startProblem.isEmpty()) {
    FPlace.statusBar.showMessage(FPlace.right.startProblem);
  }
}

void TSessionKeeper::RestoreKept() {
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
  FPlace.references.BringBack(session.references);
  FPlace.show({session.channelIndex, session.layerIndex, session.pageIndex});
  if (!decoded.damage.Any()) {
    FKept = std::make_unique<TSession>(Picture());
  } else {
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

TSession TSessionKeeper::Picture() const {
  TSession session;
  session.images = FPlace.channels.Images();
  session.references = FPlace.references.All();
  const TShownPlace shown = FPlace.shown();
  session.channelIndex = shown.channelIndex;
  session.layerIndex = shown.layerIndex;
  session.pageIndex = shown.pageIndex;
  return session;
}

void TSessionKeeper::Keep() {
  if (FWriting.valid()) {
    // One write at a time: a check that finds one running looks again at the next.
    if (FWriting.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      return;
    }
    FinishWrite();
  }
  TSession session = Picture();
  if (FKept && SameSession(*FKept, session)) {
    return;
  }
  StartWrite(std::move(session));
}

void TSessionKeeper::StartWrite(TSession session) {
  FWritten = std::make_unique<TSession>(session);
  QObject* replies = FReplies.get();
  FWriting =
      std::async(std::launch::async, [this, replies, path = File(), session = std::move(session)] {
        std::exception_ptr failure;
        try {
          WriteSession(path, session);
        } catch (...) {
          failure = std::current_exception();
        }
        // Told on the GUI thread; a wait for the write may have taken its outcome already.
        QMetaObject::invokeMethod(
            replies, [this] { WaitForWrite(); }, Qt::QueuedConnection);
        if (failure) {
          std::rethrow_exception(failure);
        }
      });
}

void TSessionKeeper::WaitForWrite() {
  RunGuarded([this] { FinishWrite(); });
}

void TSessionKeeper::FinishWrite() {
  if (!FWriting.valid()) {
    return;
  }
  std::future<void> writing = std::move(FWriting);
  std::unique_ptr<TSession> written = std::move(FWritten);
  try {
    writing.get();
  } catch (...) {
    // Said once, not at every check, until a write works again.
    if (!std::exchange(FWriteFailed, true)) {
      throw;
    }
    return;
  }
  Kept(std::move(*written));
}

void TSessionKeeper::AwaitWrite() {
  try {
    FinishWrite();
  } catch (...) {  // NOLINT(bugprone-empty-catch)
    // The write that follows writes the same file again, and says how that went.
  }
}

void TSessionKeeper::WriteNow(TSession session) {
  AwaitWrite();
  WriteSession(File(), session);
  Kept(std::move(session));
}

void TSessionKeeper::Kept(TSession session) {
  FWriteFailed = false;
  FKept = std::make_unique<TSession>(std::move(session));
  TSettingsStore* settings = FPlace.settings();
  if (settings != nullptr && !settings->ReadFlag(kSessionWrittenSetting, false)) {
    settings->WriteFlag(kSessionWrittenSetting, true);
  }
}

void TSessionKeeper::KeepAtClose() {
  if (!Keeping() || FClosing || FAtClose) {
    return;
  }
  const QScopedValueRollback closing(FClosing, true);
  ++FChecks;
  TSession session = Picture();
  for (;;) {
    QString failure;
    try {
      WriteNow(session);
      break;
    } catch (const std::exception& error) {
      failure = QString::fromUtf8(error.what());
    }
    const TFailedKeepAnswer answer = Ask(kFailedCloseText.arg(failure));
    if (answer == TFailedKeepAnswer::QuitWithoutKeeping) {
      break;
    }
    if (answer == TFailedKeepAnswer::SaveAsBank) {
      bool saved = false;
      RunGuarded([this, &saved] { saved = FPlace.saveAsBank(); });
      if (saved) {
        break;
      }
    }
  }
  FAtClose = std::make_unique<TSession>(std::move(session));
}

TFailedKeepAnswer TSessionKeeper::Ask(const QString& text) const {
  if (AskAtFailedClose) {
    return AskAtFailedClose(text);
  }
  QMessageBox box(QMessageBox::Warning, ApplicationTitle(), text, QMessageBox::NoButton,
                  qobject_cast<QWidget*>(&FPlace.context));
  QPushButton* retry = box.addButton(kRetryText, QMessageBox::AcceptRole);
  QPushButton* bank = box.addButton(kSaveAsBankText, QMessageBox::ActionRole);
  QPushButton* quit = box.addButton(kQuitWithoutKeepingText, QMessageBox::DestructiveRole);
  // Escape loses nothing: it tries again.
  box.setDefaultButton(retry);
  box.setEscapeButton(retry);
  box.exec();
  if (box.clickedButton() == bank) {
    return TFailedKeepAnswer::SaveAsBank;
  }
  if (box.clickedButton() == quit) {
    return TFailedKeepAnswer::QuitWithoutKeeping;
  }
  return TFailedKeepAnswer::Retry;
}

void TSessionKeeper::KeepAtShutDown() {
  if (!Keeping()) {
    return;
  }
  ++FChecks;
  TSession session = Picture();
  if (FAtClose && SameSession(*FAtClose, session)) {
    AwaitWrite();
    return;
  }
  // Written whatever the last check found: the file may have gone since.
  WriteNow(std::move(session));
}

void TSessionKeeper::SetKeeping(bool keep) {
  if (!MayKeep()) {
    throw std::runtime_error(FPlace.right.whyNot.toStdString());
  }
  if (TSettingsStore* settings = FPlace.settings()) {
    settings->WriteFlag(kKeepChannelsSetting, keep);
  }
  FKept.reset();
  if (keep) {
    StartChecks();
    WriteNow(Picture());
    return;
  }
  // Nothing is brought back from a file that is no longer kept up to date; a write that runs
  // would bring it back.
  ++FChecks;
  AwaitWrite();
  const QString path = File();
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    throw preset::FileCreateError(LocalFileName(path));
  }
}

}  // namespace morvane::editor
