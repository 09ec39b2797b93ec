#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

namespace morvane::controls {

// The time source of the paced edits: the milliseconds of a steady clock, and a wait that runs
// then once ms have passed unless context has gone. The defaults use the system's clock and a
// single-shot timer; tests put in a clock and waits of their own, so that no test waits.
struct TEditClock {
  std::function<std::int64_t()> Now;
  std::function<void(int ms, QObject* context, std::function<void()> then)> StartWait;

  static TEditClock& System();
};

// Lets at most one edit through per interval: an edit asked for within the interval after the
// last one is held and made when the interval ends, with whatever the value is by then, so the
// final value always goes out. Asking again while one is held changes nothing.
class TEditPacer {
 public:
  static constexpr int kIntervalMs = 20;

  // send makes the edit; context owns the waits (a wait whose context has gone does nothing).
  TEditPacer(QObject& context, std::function<void()> send);

  void SetClock(const TEditClock* clock) { FClock = clock; }
  // Counts the interval from now, as if an edit had just been made: a drag's first edit waits
  // one interval after the press.
  void Restart();
  void Request();
  // Drops a held edit.
  void Cancel();
  // Called while an edit is sent: the next one waits at least ms after it instead of one
  // interval, so that an edit that is long on the wire has gone before the next is handed on.
  void Stretch(int ms);
  bool Holding() const { return FHolding; }

 private:
  void SendNow();

  QObject& FContext;
  std::function<void()> FSend;
  const TEditClock* FClock;
  bool FHasLast = false;
  std::int64_t FLast = 0;
  // The wait after the last edit: one interval, or longer when Stretch asked for it.
  int FWaitMs = kIntervalMs;
  bool FHolding = false;
  // Bumped by Cancel and Restart, so that a wait started before does nothing when it ends.
  std::uint64_t FGeneration = 0;
};

}  // namespace morvane::controls
