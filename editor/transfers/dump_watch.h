#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <functional>

class QProgressBar;
class QStatusBar;

namespace morvane::editor {

class TSettingsStore;

// How long a requested dump may stay silent, in ms.
struct TDumpTimes {
  int noAnswerMs;
  int stallMs;
};

// The settings' times, their defaults where missing; a negative time counts as 0.
TDumpTimes ReadDumpTimes(const TSettingsStore& settings);

// Watches the dump that a request asked for, on the status bar: a progress bar while bytes
// arrive, and a message when nothing comes, when the dump stops part way and when more than
// one dump came. It reports, and tells its owner that it gave up; a late dump still loads.
class TDumpWatch final : public QObject {
  Q_OBJECT

 public:
  TDumpWatch(QStatusBar& bar, QObject* parent);

  // A request went out: the receive buffer is empty and the silence before the first byte is
  // timed.
  void Start(TDumpTimes times);
  // Watches nothing more: a wait under way ends without a word.
  void Stop();
  // The receive buffer holds size bytes after a batch of input events.
  void Received(std::size_t size);
  // The wait ran out. The wait calls it; so do tests, which never wait real seconds.
  void Fire();

  // What to say when nothing came, given the usual text: the window names a closed port here.
  std::function<QString(const QString& usual)> NoAnswerText;
  // Starts a wait that runs then once ms have passed; unset, a single-shot timer.
  std::function<void(int ms, std::function<void()> then)> StartWait;
  // Told after each report that nothing more is awaited: silence, a stop, more than a dump.
  std::function<void()> OnGaveUp;

  static QString NoAnswerMessage();
  static QString StalledMessage(std::size_t size);
  static QString TooLongMessage(std::size_t size);

 private:
  void Report(const QString& text);
  void ShowProgress(bool shown);
  void Wait(int ms);
  void GiveUp();

  QPointer<QStatusBar> FBar;
  QPointer<QProgressBar> FProgress;
  // Idle until a request; Waiting for its bytes; Complete once one dump came whole, when any
  // byte more means that the bytes were not one dump.
  enum class TPhase { Idle, Waiting, Complete };

  // Bumped by every wait and stop: a wait that was overtaken does nothing when it ends.
  int FGeneration = 0;
  TDumpTimes FTimes{};
  TPhase FPhase = TPhase::Idle;
  std::size_t FSize = 0;
  bool FReported = false;
};

}  // namespace morvane::editor
