#include "edit_pacer.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

namespace morvane::controls {

TEditClock& TEditClock::System() {
  static TEditClock clock{
      [] {
        return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
      },
      [](int ms, QObject* context, std::function<void()> then) {
        QTimer::singleShot(ms, context, std::move(then));
      }};
  return clock;
}

TEditPacer::TEditPacer(QObject& context, std::function<void()> send)
    : FContext(context), FSend(std::move(send)), FClock(&TEditClock::System()) {}

void TEditPacer::Restart() {
  Cancel();
  FHasLast = true;
  FLast = FClock->Now();
  FWaitMs = kIntervalMs;
}

void TEditPacer::Cancel() {
  FHolding = false;
  ++FGeneration;
}

void TEditPacer::Request() {
  if (FHolding) {
    return;
  }
  const std::int64_t now = FClock->Now();
  if (!FHasLast || now - FLast >= FWaitMs) {
    SendNow();
    return;
  }
  FHolding = true;
  const std::uint64_t generation = FGeneration;
  FClock->StartWait(static_cast<int>(FLast + FWaitMs - now), &FContext, [this, generation] {
    if (generation == FGeneration && FHolding) {
      FHolding = false;
      SendNow();
    }
  });
}

void TEditPacer::Stretch(int ms) {
  FWaitMs = std::max(FWaitMs, ms);
}

void TEditPacer::SendNow() {
  FHasLast = true;
  FLast = FClock->Now();
  FWaitMs = kIntervalMs;
  FSend();
}

}  // namespace morvane::controls
