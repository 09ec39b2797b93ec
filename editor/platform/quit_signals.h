#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace morvane::editor {

// Turns SIGTERM, SIGHUP and SIGINT (a logout, a closed terminal, Ctrl+C) into a call of quit on
// the GUI thread, so that the editor keeps its channels and ends as if its window were closed.
// The signal handler only writes a byte into a pipe, which the event loop watches. One at a time
// per program; the signals' earlier handling comes back when it goes. Does nothing on Windows.
class TQuitSignals final : public QObject {
  Q_OBJECT

 public:
  explicit TQuitSignals(std::function<void()> quit, QObject* parent = nullptr);
  ~TQuitSignals() override;
  TQuitSignals(const TQuitSignals&) = delete;
  TQuitSignals& operator=(const TQuitSignals&) = delete;

 private:
  void Arrived();

  std::function<void()> FQuit;
  QSocketNotifier* FNotifier = nullptr;
};

}  // namespace morvane::editor
