#include <gtest/gtest.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "editor_instance.h"

namespace morvane::editor::testing {
namespace {

// Starts of the editor as one program would make them, over a session file of their own; the
// deadline of a hand-over is fired by the test.
class EditorInstanceTest : public ::testing::Test {
 protected:
  QString SessionFile() const { return folder.filePath(QStringLiteral("kept/channels.session")); }
  std::unique_ptr<TEditorInstance> Start() {
    auto instance = std::make_unique<TEditorInstance>(SessionFile());
    instance->StartWait = [this](int ms, std::function<void()> then) {
      deadlines.push_back(ms);
      fireDeadline = std::move(then);
    };
    return instance;
  }

  QTemporaryDir folder;
  std::vector<int> deadlines;
  std::function<void()> fireDeadline;
};

TEST_F(EditorInstanceTest, ALaterStartHandsItsFileToTheFirstAndEnds) {
  const auto first = Start();
  ASSERT_EQ(first->Claim({}), TClaim::First);
  EXPECT_TRUE(first->Problem().isEmpty()) << first->Problem().toStdString();
  EXPECT_TRUE(QFile::exists(first->LockFile()));
  // Handed over before the window serves them: kept until it does.
  const auto early = Start();
  EXPECT_EQ(early->Claim(QStringLiteral("early.syx")), TClaim::HandedOver);
  std::vector<QString> opened;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    first->Serve([&](const QString& file) { opened.push_back(file); });
    return !opened.empty();
  }));
  const QString relative = QStringLiteral("some folder/preset.syx");
  const struct {
    QString given;
    QString opened;
  } rows[] = {
      {relative, QDir::current().absoluteFilePath(relative)},
      {QString(), QString()},
  };
  for (const auto& row : rows) {
    opened.clear();
    const auto later = Start();
    EXPECT_EQ(later->Claim(row.given, TEditorInstance::kAnswerDeadlineMs), TClaim::HandedOver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<QString>{row.opened});
  }
  EXPECT_EQ(deadlines.back(), TEditorInstance::kAnswerDeadlineMs);
}

TEST_F(EditorInstanceTest, AFirstEditorThatDoesNotAnswerLeavesTheLaterOneOnItsOwn) {
  QDir().mkpath(QFileInfo(SessionFile()).absolutePath());
  QLockFile held(SessionFile() + ".lock");
  ASSERT_TRUE(held.tryLock(0));
  const auto later = Start();
  // Listens, takes the call, and never answers.
  QLocalServer silent;
  QLocalServer::removeServer(later->ServerName());
  ASSERT_TRUE(silent.listen(later->ServerName()));
  std::vector<QLocalSocket*> calls;
  QObject::connect(&silent, &QLocalServer::newConnection, [&] {
    calls.push_back(silent.nextPendingConnection());
    // The deadline passes once the later start has called.
    fireDeadline();
  });
  EXPECT_EQ(later->Claim(QStringLiteral("mine.syx")), TClaim::NoAnswer);
  ASSERT_EQ(calls.size(), 1u);
  // Nor does one that is not listening at all.
  silent.close();
  const auto another = Start();
  another->StartWait = [](int, const std::function<void()>& then) {
    QTimer::singleShot(TEditorInstance::kConnectRetryMs * 3, then);
  };
  EXPECT_EQ(another->Claim(QStringLiteral("mine.syx")), TClaim::NoAnswer);
}

#ifndef _WIN32
TEST_F(EditorInstanceTest, TheLockOfAnEditorThatCrashedIsTakenOver) {
  QDir().mkpath(QFileInfo(SessionFile()).absolutePath());
  const pid_t crashed = ::fork();
  if (crashed == 0) {
    QLockFile lock(SessionFile() + ".lock");
    ::_exit(lock.tryLock(0) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(crashed, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(QFile::exists(SessionFile() + ".lock"));
  const auto next = Start();
  EXPECT_EQ(next->Claim({}), TClaim::First);
  EXPECT_TRUE(deadlines.empty());
  // And it answers in its turn.
  std::vector<QString> opened;
  next->Serve([&](const QString& file) { opened.push_back(file); });
  EXPECT_EQ(Start()->Claim({}), TClaim::HandedOver);
  EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 1; }));
}
#endif

}  // namespace
}  // namespace morvane::editor::testing
