#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace morvane::editor {

// How a start found the channels it would keep.
enum class TClaim {
  // This editor holds the lock and answers later starts.
  First,
  // The running editor took this start's file and came forward: this start ends.
  HandedOver,
  // Another editor holds the lock but did not answer in time: this one runs without keeping.
  NoAnswer,
};

// One editor per set of channels: the first start holds a lock beside the session file and
// listens on a local socket named after it; a later start hands its file to the first and ends.
// A lock left by an editor that crashed is taken over.
//
// The hand-over: the later start sends its file's name (the bytes of its absolute path, or none),
// the first answers that it has it, and only on the later start's go-ahead does the first open
// it. A later start that gave up waiting never sends the go-ahead, so a first editor that wakes
// up late does not open a file that the later one opened itself.
class TEditorInstance final : public QObject {
  Q_OBJECT

 public:
  // How long a later start waits for the first editor's answer.
  static constexpr int kAnswerDeadlineMs = 2000;
  // How often a later start tries to reach a first editor that does not listen yet.
  static constexpr int kConnectRetryMs = 50;

  explicit TEditorInstance(const QString& sessionFile, QObject* parent = nullptr);
  ~TEditorInstance() override;

  // The lock's and the socket's names, for messages and tests.
  QString LockFile() const;
  QString ServerName() const { return FServerName; }

  // Takes the lock, or hands file (empty for none) to the editor that holds it. The wait for
  // the answer runs a local event loop; it ends after deadlineMs (StartWait's default) at most.
  TClaim Claim(const QString& file, int deadlineMs = kAnswerDeadlineMs);
  // Why the lock could not be taken or the socket could not listen; empty when it could.
  QString Problem() const { return FProblem; }

  // First editor: runs open for each file handed over (an empty name: none, only come
  // forward), also for those handed over before it was set.
  void Serve(std::function<void(const QString& file)> open);

  // The deadline of a hand-over's wait; unset, a single-shot timer. Tests fire it themselves.
  std::function<void(int ms, std::function<void()> then)> StartWait;

 private:
  void Listen();
  void Answer(QLocalSocket* socket);
  void Deliver(const QString& file);
  TClaim HandOver(const QString& file, int deadlineMs);
  void Wait(int ms, std::function<void()> then);

  QString FServerName;
  QLockFile FLock;
  QLocalServer* FServer = nullptr;
  QString FProblem;
  std::function<void(const QString& file)> FOpen;
  QStringList FWaiting;
};

}  // namespace morvane::editor
