#include "edit_pacer.h"

#include <QPointer>
#include <QTimer>
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
  if (!FHasLast || now - FLast >= kIntervalMs) {
    SendNow();
    return;
  }
  FHolding = true;
  const std::uint64_t generation = FGeneration;
  FClock->StartWait(static_cast<int>(FLast + kIntervalMs - now), &FContext, [this, generation] {
    if (generation == FGeneration && FHolding) {
      FHolding = false;
      SendNow();
    }
  });
}

void TEditPacer::SendNow() {
  FHasLast = true;
  FLast = FClock->Now();
  FSend();
}

}  // namespace morvane::controls
