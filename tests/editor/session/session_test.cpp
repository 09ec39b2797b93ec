#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QLockFile>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QWindow>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "channel_claim.h"
#include "channel_references.h"
#include "data_files.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "radio_group.h"
#include "session_file.h"
#include "session_keeper.h"
#include "startup_fixture.h"

namespace morvane::editor::testing {
namespace {

using preset::Bytes;

Bytes Payload(const preset::ByteStream& image) {
  return {image.View().begin(), image.View().end()};
}
Bytes Raw(const preset::tMrv& image) {
  return {image.RawDump().View().begin(), image.RawDump().View().end()};
}

// Counts the events of one type that reach watched.
class TEventCounter final : public QObject {
 public:
  TEventCounter(QObject& watched, QEvent::Type type, int& count) : FType(type), FCount(count) {
    watched.installEventFilter(this);
  }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == FType) {
      ++FCount;
    }
    return false;
  }

 private:
  QEvent::Type FType;
  int& FCount;
};

struct Check {
  int ms;
  std::function<void()> then;
};

// A window that keeps its channels in a session file of its own; its checks of the session are
// run by the test.
class SessionTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    Store(TSessionKeeper::kKeepChannelsSetting, QStringLiteral("1"));
    Store(TSessionKeeper::kSessionFileSetting, SessionPath());
  }
  QString SessionPath() const {
    return dataFolder.filePath(QStringLiteral("kept/channels.session"));
  }
  void StartKeeping(const TKeepingRight& right = {}) {
    ShutDown();
    checks.clear();
    driver = std::make_unique<midi::ScriptedDriver>(Names{"Morvane Simulator"},
                                                    Names{"Morvane Simulator"});
    driver->SetAutoComplete(true);
    form = std::make_unique<TForm1>(&prompt, *driver, dataFolder.path(), right);
    form->Session().StartWait = [this](int ms, std::function<void()> then) {
      checks.push_back({ms, std::move(then)});
    };
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // Runs the check of the session that is due.
  void RunCheck() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !checks.empty(); }, 1000));
    ASSERT_EQ(checks.size(), 1u);
    const Check due = std::move(checks.front());
    checks.clear();
    EXPECT_LE(due.ms, 1000);
    due.then();
    form->Session().WaitForWrite();
  }
  void Change() {
    preset::tMrv kept;
    kept.LoadPresetFromBytes(preset::BuildInitialPreset());
    kept.WriteName("Kpt:kept");
    kept.SetPresetNumber(9);
    kept.SavePreset(LocalFileName(dataFolder.filePath(QStringLiteral("kept.syx"))));
    form->LoadPresetFile(2, dataFolder.filePath(QStringLiteral("kept.syx")),
                         QStringLiteral("Load"));
    form->SendParameter(0x02, 0x0B, 1, 4, -6);
    QTest::mouseClick(form->channel->Button(2), Qt::LeftButton);
    QTest::mouseClick(form->layer->Button(1), Qt::LeftButton);
    form->PageControl1->setCurrentWidget(form->commonsheet);
  }
  std::array<Bytes, TForm1::kChannelCount> Images() const {
    std::array<Bytes, TForm1::kChannelCount> images;
    for (std::size_t channelIndex = 0; channelIndex < images.size(); ++channelIndex) {
      images[channelIndex] = Payload(form->Channels().Image(channelIndex));
      const Bytes raw = Raw(form->Channels().Image(channelIndex));
      images[channelIndex].insert(images[channelIndex].end(), raw.begin(), raw.end());
    }
    return images;
  }
  void ExpectFreshStart() {
    preset::tMrv initial;
    initial.LoadPreset(LocalFileName(DataFile("init.syx")));
    for (std::size_t channelIndex = 0; channelIndex < form->Channels().Images().size();
         ++channelIndex) {
      EXPECT_TRUE(Payload(form->Channels().Image(channelIndex)) == Payload(initial))
          << channelIndex;
      EXPECT_FALSE(form->Channels().Marked(static_cast<int>(channelIndex)));
    }
    EXPECT_EQ(form->channel->ItemIndex(), 0);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->layerctrlssheet);
  }

  std::vector<Check> checks;
};

TEST_F(SessionTest, ChannelsLayerAndPageComeBackAfterARestart) {
  StartKeeping();
  EXPECT_TRUE(form->KeepChannels1->isChecked());
  EXPECT_FALSE(form->StatusBar1->currentMessage().contains("last session"));
  RunCheck();
  ASSERT_TRUE(QFile::remove(SessionPath()));
  Change();
  const auto changed = Images();
  EXPECT_FALSE(QFile::exists(SessionPath()));
  RunCheck();
  ASSERT_TRUE(QFile::exists(SessionPath()));
  const TSession written =
      DecodeSession(preset::ReadWholeFile(LocalFileName(SessionPath()), kSessionFileLimit)).session;
  EXPECT_EQ(written.channelIndex, 2);
  EXPECT_TRUE(Payload(written.images[4]) == Payload(form->Channels().Image(4)));
  // Nothing changed, nothing written.
  ASSERT_TRUE(QFile::remove(SessionPath()));
  RunCheck();
  EXPECT_FALSE(QFile::exists(SessionPath()));

  StartKeeping();
  EXPECT_TRUE(Images() == changed);
  // The loaded file is channel 3's reference again; the others have none.
  for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
    const std::optional<preset::tMrv>& reference = form->References().Reference(channelIndex);
    ASSERT_EQ(reference.has_value(), channelIndex == 2) << channelIndex;
  }
  preset::tMrv reference = form->References().Reference(2).value_or(preset::tMrv());
  EXPECT_EQ(reference.ReadName(), "Kpt:kept        ");
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  EXPECT_EQ(form->engine.Channel(), 2);
  EXPECT_EQ(form->layer->ItemIndex(), 1);
  EXPECT_EQ(form->PageControl1->currentWidget(), form->commonsheet);
  EXPECT_EQ(form->patchname->text(), "Kpt:kept        ");
  // The module was not told of any of them.
  for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
    EXPECT_TRUE(form->Channels().Marked(channelIndex));
  }
  EXPECT_EQ(form->windowTitle(), "Kpt:kept[*]        ");
  EXPECT_EQ(form->windowHandle()->title(), "Kpt:kept*        ");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// File > Quit, from its keys, closes the window as its close box does; what changed since the
// last check is kept when the window goes.
TEST_F(SessionTest, ShutDownKeepsWhatChangedSinceTheLastCheck) {
  StartKeeping();
  Change();
  const auto changed = Images();
  EXPECT_TRUE(form->File1->actions().contains(form->Quit1));
  EXPECT_EQ(form->Quit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Where the platform keeps its own place for Quit (macOS), it goes there.
  EXPECT_EQ(form->Quit1->menuRole(), QAction::QuitRole);
  int closes = 0;
  TEventCounter closing(*form, QEvent::Close, closes);
  QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form->isVisible());
  StartKeeping();
  EXPECT_TRUE(Images() == changed);
  // The loaded file is channel 3's reference again; the others have none.
  for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
    const std::optional<preset::tMrv>& reference = form->References().Reference(channelIndex);
    ASSERT_EQ(reference.has_value(), channelIndex == 2) << channelIndex;
  }
  preset::tMrv reference = form->References().Reference(2).value_or(preset::tMrv());
  EXPECT_EQ(reference.ReadName(), "Kpt:kept        ");
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(SessionTest, ADamagedOrMissingSessionIsReportedOnceAndStartUpGoesOn) {
  StartKeeping();
  Change();
  ShutDown();
  const std::string earlierMark = "MRVSESS1";
  Bytes earlier(earlierMark.begin(), earlierMark.end());
  earlier.resize(200, 0x01);
  const struct {
    const char* what;
    Bytes bytes;
    const char* reason;
  } cases[] = {
      {"not a session", Bytes(100, 0x41), "its checksum does not match"},
      {"the earlier format, damaged", earlier, "its checksum does not match"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    errors.clear();
    ShutDown();
    preset::WriteFileReplacing(LocalFileName(SessionPath()), c.bytes);
    StartKeeping();
    const QString kept = SessionPath() + ".damaged";
    EXPECT_EQ(errors,
              QStringList({QStringLiteral("The channels of the last session could not be read: %1 "
                                          "is damaged (%2). It was kept as %3. Every channel "
                                          "starts from the initial preset.")
                               .arg(QDir::toNativeSeparators(SessionPath()),
                                    QLatin1String(c.reason), QDir::toNativeSeparators(kept))}));
    ExpectFreshStart();
    EXPECT_EQ(preset::ReadWholeFile(LocalFileName(kept), kSessionFileLimit), c.bytes);
    // Once: the next start finds what this one kept.
    errors.clear();
    StartKeeping();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  }
  ShutDown();
  ASSERT_TRUE(QFile::remove(SessionPath()));
  StartKeeping();
  EXPECT_EQ(form->StatusBar1->currentMessage(),
            QStringLiteral("The channels of the last session were not found (%1): every channel "
                           "starts from the initial preset")
                .arg(QDir::toNativeSeparators(SessionPath())));
  ExpectFreshStart();
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

#ifndef _WIN32
// What stands in the session file's place is looked at first: start-up never waits on it, says
// what it is, and the next write does not replace it.
TEST_F(SessionTest, ASessionThatIsNoFileIsRefusedAtOnce) {
  QDir().mkpath(QFileInfo(SessionPath()).absolutePath());
  const std::string path = LocalFileName(SessionPath());
  const struct {
    const char* what;
    std::function<void()> make;
    QString reason;
  } rows[] = {
      {"a pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "it is a pipe, not a file"},
      {"a folder", [&] { ASSERT_TRUE(QDir().mkdir(SessionPath())); }, "it is a folder"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    row.make();
    errors.clear();
    StartKeeping();
    EXPECT_EQ(errors, QStringList({QStringLiteral("Cannot open file %1: %2")
                                       .arg(QDir::toNativeSeparators(SessionPath()), row.reason)}));
    ExpectFreshStart();
    errors.clear();
    ShutDown();
    EXPECT_EQ(errors, QStringList({QStringLiteral("Cannot create file %1: %2")
                                       .arg(QDir::toNativeSeparators(SessionPath()), row.reason)}));
    QFile::remove(SessionPath());
    QDir().rmdir(SessionPath());
  }
}
#endif

#ifndef _WIN32
// The temporary file of a writer that a crash ended is removed at the next start; one whose
// writer still runs is not.
TEST_F(SessionTest, ATemporaryFileACrashLeftIsRemovedAtStart) {
  QDir().mkpath(QFileInfo(SessionPath()).absolutePath());
  const pid_t ended = ::fork();
  if (ended == 0) {
    ::_exit(0);
  }
  ::waitpid(ended, nullptr, 0);
  const QString left = SessionPath() + QStringLiteral(".tmp-%1-0").arg(ended);
  const QString running = SessionPath() + QStringLiteral(".tmp-%1-0").arg(::getppid());
  for (const QString& temporary : {left, running}) {
    preset::WriteFileReplacing(LocalFileName(temporary), Bytes(10, 0x01));
  }
  StartKeeping();
  EXPECT_FALSE(QFile::exists(left));
  EXPECT_TRUE(QFile::exists(running));
  QFile::remove(running);
}
#endif

#ifndef _WIN32
// A write that fails while the editor runs is reported once, however many checks fail after it;
// a write that works clears it, so that the next failure is reported again.
TEST_F(SessionTest, AFailedWriteIsReportedOnceUntilOneWorksAgain) {
  StartKeeping();
  RunCheck();
  const auto blockWithAFolder = [this] {
    ASSERT_TRUE(QFile::remove(SessionPath()));
    ASSERT_TRUE(QDir().mkdir(SessionPath()));
  };
  const auto unblock = [this] { ASSERT_TRUE(QDir().rmdir(SessionPath())); };
  const QString failure = QStringLiteral("Cannot create file %1: it is a folder")
                              .arg(QDir::toNativeSeparators(SessionPath()));
  const struct {
    const char* what;
    std::function<void()> world;
    int channelIndex;
    qsizetype reports;
    bool written;
  } rows[] = {
      {"the first failure", blockWithAFolder, 3, 1, false},
      {"a second failure", [] {}, 4, 1, false},
      {"a write that works", unblock, 5, 1, true},
      {"a failure after it", blockWithAFolder, 6, 2, false},
  };
  errors.clear();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    row.world();
    QTest::mouseClick(form->channel->Button(row.channelIndex), Qt::LeftButton);
    RunCheck();
    EXPECT_EQ(errors.size(), row.reports) << errors.join('\n').toStdString();
    EXPECT_EQ(errors.value(row.reports - 1), failure);
    EXPECT_EQ(QFileInfo(SessionPath()).isFile(), row.written);
    if (row.written) {
      EXPECT_EQ(
          DecodeSession(preset::ReadWholeFile(LocalFileName(SessionPath()), kSessionFileLimit))
              .session.channelIndex,
          row.channelIndex);
    }
  }
  unblock();
}

// A session that cannot be written as the window closes is never lost in silence: the user
// retries, saves the channels as a bank, or quits without keeping them.
TEST_F(SessionTest, AFailedWriteAtCloseAsksWhatToDo) {
  const QString bankPath = dataFolder.filePath(QStringLiteral("rescued.syx"));
  const struct {
    const char* what;
    std::vector<TFailedKeepAnswer> answers;
    // Mends the folder before the answer with this number; -1 never.
    int mendBefore;
    std::optional<QString> bankChoice;
    bool sessionWritten;
    bool bankWritten;
  } rows[] = {
      {"retried once mended",
       {TFailedKeepAnswer::Retry, TFailedKeepAnswer::Retry},
       1,
       {},
       true,
       false},
      {"saved as a bank", {TFailedKeepAnswer::SaveAsBank}, -1, bankPath, false, true},
      {"the bank dialog cancelled, then quit",
       {TFailedKeepAnswer::SaveAsBank, TFailedKeepAnswer::QuitWithoutKeeping},
       -1,
       std::nullopt,
       false,
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    StartKeeping();
    Change();
    const auto images = form->Channels().Images();
    QFile::remove(SessionPath());
    QFile::remove(bankPath);
    ASSERT_TRUE(QDir().mkpath(SessionPath()));
    form->SaveDialog1->SetScriptedAnswer([&row](const TFileDialog&) { return row.bankChoice; });
    std::vector<QString> asked;
    form->Session().AskAtFailedClose = [&](const QString& text) {
      const int number = static_cast<int>(asked.size());
      asked.push_back(text);
      if (number == row.mendBefore) {
        QDir().rmdir(SessionPath());
      }
      return row.answers.at(static_cast<std::size_t>(number));
    };
    errors.clear();
    EXPECT_TRUE(form->close());
    ASSERT_EQ(asked.size(), row.answers.size());
    EXPECT_EQ(asked.front(), QStringLiteral("The channels could not be kept for the next "
                                            "session.\n\nCannot create file %1: it is a folder")
                                 .arg(QDir::toNativeSeparators(SessionPath())));
    // Asked already: the window's end does not report it again.
    form.reset();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(QFileInfo(SessionPath()).isFile(), row.sessionWritten);
    EXPECT_EQ(QFileInfo::exists(bankPath), row.bankWritten);
    if (row.bankWritten) {
      EXPECT_EQ(preset::ReadWholeFile(LocalFileName(bankPath), preset::kPresetFileLimit),
                preset::BuildBank(images));
    }
    QDir().rmdir(SessionPath());
    QFile::remove(SessionPath());
  }
}
#endif

TEST_F(SessionTest, OneDamagedChannelCostsOnlyThatChannel) {
  // An initial preset of our own, so that the damaged channel is seen to start from it.
  preset::tMrv initial;
  initial.LoadPresetFromBytes(preset::BuildInitialPreset());
  initial.WriteName("Dat:initial");
  const Bytes initialDump = initial.BuildDump();
  WriteDataFile("init.syx", QByteArray(reinterpret_cast<const char*>(initialDump.data()),
                                       static_cast<qsizetype>(initialDump.size())));
  initial.LoadPresetFromBytes(initialDump);
  StartKeeping();
  Change();
  const auto changed = Images();
  ShutDown();
  Bytes damaged = preset::ReadWholeFile(LocalFileName(SessionPath()), kSessionFileLimit);
  // Channel 2, beside channel 3, which Change loaded.
  constexpr int kDamagedChannelIndex = 1;
  damaged.at(kSessionHeaderSize + kDamagedChannelIndex * kSessionChannelPartSize + 100) ^= 0x01;
  preset::WriteFileReplacing(LocalFileName(SessionPath()), damaged);
  errors.clear();
  StartKeeping();
  const QString kept = SessionPath() + ".damaged";
  EXPECT_EQ(errors, QStringList({QStringLiteral("The channels of the last session came back, but "
                                                "channel 2 was damaged and starts from the "
                                                "initial preset. The damaged file was kept as %1.")
                                     .arg(QDir::toNativeSeparators(kept))}));
  EXPECT_EQ(preset::ReadWholeFile(LocalFileName(kept), kSessionFileLimit), damaged);
  Bytes initialImage = Payload(initial);
  const Bytes initialRaw = Raw(initial);
  initialImage.insert(initialImage.end(), initialRaw.begin(), initialRaw.end());
  auto expected = changed;
  expected[kDamagedChannelIndex] = initialImage;
  EXPECT_TRUE(Images() == expected);
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  // Written again whole: the next start has nothing to report.
  errors.clear();
  StartKeeping();
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_TRUE(Images() == expected);
}

TEST_F(SessionTest, TurnedOffNothingIsKeptOrBroughtBack) {
  StartKeeping();
  Change();
  StartKeeping();
  ASSERT_EQ(form->channel->ItemIndex(), 2);
  form->KeepChannels1->trigger();
  EXPECT_EQ(Stored(TSessionKeeper::kKeepChannelsSetting), "0");
  EXPECT_FALSE(QFile::exists(SessionPath()));
  for (const Check& due : std::exchange(checks, {})) {
    due.then();
  }
  EXPECT_FALSE(QFile::exists(SessionPath()));
  EXPECT_TRUE(checks.empty());
  StartKeeping();
  EXPECT_FALSE(QFile::exists(SessionPath()));
  ExpectFreshStart();
  EXPECT_FALSE(form->KeepChannels1->isChecked());
  // On again: kept at once.
  form->KeepChannels1->trigger();
  EXPECT_TRUE(QFile::exists(SessionPath()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Each way a start can find the channels, from its claim to what the window shows and keeps.
TEST_F(SessionTest, EachClaimOfTheChannelsShowsWhatThisEditorKeeps) {
  StartKeeping();
  Change();
  StartKeeping();
  ASSERT_EQ(form->channel->ItemIndex(), 2);
  ShutDown();
  const auto fireAtOnce = [](TEditorInstance& instance) {
    instance.StartWait = [](int, std::function<void()> then) { QTimer::singleShot(0, then); };
  };

  // The lock cannot be made (its folder is a file): kept all the same, and said.
  WriteDataFile("file", "not a folder");
  TEditorInstance unlockable(dataFolder.filePath(QStringLiteral("file/channels.session")));
  const std::optional<TKeepingRight> problem = ClaimChannels(unlockable, {}, false, 0);
  ASSERT_TRUE(problem.has_value());
  EXPECT_TRUE(problem->mayKeep);
  EXPECT_TRUE(problem->startProblem.startsWith("The channels' lock "))
      << problem->startProblem.toStdString();
  StartKeeping(*problem);
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  EXPECT_EQ(form->StatusBar1->currentMessage(), problem->startProblem);
  ShutDown();

  const struct {
    const char* what;
    bool newInstance;
    bool othersLock;
    QString whyNot;
  } rows[] = {
      {"started with --new-instance", true, false,
       "Started with --new-instance: this editor does not keep its channels between sessions"},
      {"another editor that does not answer", false, true,
       "Another Morvane editor keeps these channels but did not answer: this editor does not keep "
       "its channels between sessions"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QLockFile others(SessionPath() + QStringLiteral(".lock"));
    ASSERT_TRUE(!row.othersLock || others.tryLock(0));
    TEditorInstance instance(SessionPath());
    fireAtOnce(instance);
    const std::optional<TKeepingRight> right =
        ClaimChannels(instance, {}, row.newInstance, TEditorInstance::kAnswerDeadlineMs);
    ASSERT_TRUE(right.has_value());
    EXPECT_FALSE(right->mayKeep);
    EXPECT_EQ(right->whyNot, row.whyNot);
    StartKeeping(*right);
    ExpectFreshStart();
    EXPECT_EQ(form->StatusBar1->currentMessage(), row.whyNot);
    EXPECT_TRUE(form->windowTitle().endsWith(" (channels not kept)"))
        << form->windowTitle().toStdString();
    ShutDown();
  }

  // The first editor: it keeps, says nothing, and takes a later start's file, which ends.
  TEditorInstance first(SessionPath());
  const std::optional<TKeepingRight> kept = ClaimChannels(first, {}, false, 0);
  ASSERT_TRUE(kept.has_value());
  EXPECT_TRUE(kept->mayKeep);
  EXPECT_TRUE(kept->startProblem.isEmpty()) << kept->startProblem.toStdString();
  StartKeeping(*kept);
  EXPECT_EQ(form->channel->ItemIndex(), 2);
  QStringList handed;
  first.Serve([&](const QString& file) { handed << file; });
  TEditorInstance later(SessionPath());
  EXPECT_FALSE(
      ClaimChannels(later, DataFile("kept.syx"), false, TEditorInstance::kAnswerDeadlineMs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !handed.isEmpty(); }));
  EXPECT_EQ(handed, QStringList(QFileInfo(DataFile("kept.syx")).absoluteFilePath()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(SessionTest, InitializeAllChannelsStartsAfreshInOneStep) {
  StartKeeping();
  Change();
  const auto changed = Images();
  const int steps = form->Channels().UndoStack().count();
  prompt.answers = {false};
  form->InitializeAllChannels1->trigger();
  EXPECT_TRUE(Images() == changed);
  form->InitializeAllChannels1->trigger();
  EXPECT_EQ(prompt.texts.back(),
            "This will replace the presets on all 16 channels with the initial preset. Continue?");
  preset::tMrv initial;
  initial.LoadPreset(LocalFileName(DataFile("init.syx")));
  for (std::size_t channelIndex = 0; channelIndex < form->Channels().Images().size();
       ++channelIndex) {
    EXPECT_TRUE(Payload(form->Channels().Image(channelIndex)) == Payload(initial));
    // Only the channels that changed.
    EXPECT_EQ(form->Channels().Marked(static_cast<int>(channelIndex)),
              channelIndex == 2 || channelIndex == 4);
  }
  EXPECT_EQ(form->Channels().UndoStack().count(), steps + 1);
  form->Channels().Undo();
  EXPECT_TRUE(Images() == changed);
}

}  // namespace
}  // namespace morvane::editor::testing
