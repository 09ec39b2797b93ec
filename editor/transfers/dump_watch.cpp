#include "dump_watch.h"

#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "handler_guard.h"
#include "preset/dump_layout.h"
#include "settings_store.h"

namespace morvane::editor {

namespace {

constexpr int kProgressWidth = 90;
constexpr int kDumpBytes = static_cast<int>(preset::kDumpSize);

}  // namespace

TDumpTimes ReadDumpTimes(const TSettingsStore& settings) {
  return {
      std::max(
          0, settings.ReadInteger(TSettingsStore::kNoAnswerMs, TSettingsStore::kDefaultNoAnswerMs)),
      std::max(0, settings.ReadInteger(TSettingsStore::kStallMs, TSettingsStore::kDefaultStallMs))};
}

TDumpWatch::TDumpWatch(QStatusBar& bar, QObject* parent)
    : QObject(parent), FBar(&bar), FProgress(new QProgressBar(&bar)) {
  setObjectName(QStringLiteral("dumpwatch"));
  FProgress->setObjectName(QStringLiteral("dumpprogress"));
  FProgress->setRange(0, kDumpBytes);
  FProgress->setTextVisible(false);
  FProgress->setMaximumWidth(kProgressWidth);
  bar.addPermanentWidget(FProgress);
  FProgress->hide();
}

void TDumpWatch::Wait(int ms) {
  const int generation = ++FGeneration;
  auto then = [this, generation] {
    if (generation == FGeneration) {
      Fire();
    }
  };
  if (StartWait) {
    StartWait(ms, std::move(then));
  } else {
    QTimer::singleShot(ms, this, [then] { RunGuarded(then); });
  }
}

void TDumpWatch::Stop() {
  ++FGeneration;
  FPhase = TPhase::Idle;
  ShowProgress(false);
}

void TDumpWatch::GiveUp() {
  if (OnGaveUp) {
    OnGaveUp();
  }
}

QString TDumpWatch::NoAnswerMessage() {
  return QStringLiteral(
      "No answer from the module: check the MIDI input device on the Setup page and the cables");
}

QString TDumpWatch::StalledMessage(std::size_t size) {
  return QStringLiteral("The dump stopped at %1 of %2 bytes").arg(size).arg(kDumpBytes);
}

QString TDumpWatch::TooLongMessage(std::size_t size) {
  return QStringLiteral("%1 bytes came: more than one dump. Request again to start over").arg(size);
}

void TDumpWatch::Start(TDumpTimes times) {
  FTimes = times;
  FSize = 0;
  FPhase = TPhase::Waiting;
  FReported = false;
  ShowProgress(false);
  Wait(FTimes.noAnswerMs);
}

void TDumpWatch::Received(std::size_t size) {
  if (FPhase == TPhase::Idle || size == FSize) {
    return;
  }
  FSize = size;
  // Bytes after a warning about silence: the warning no longer holds.
  if (FReported && FBar) {
    FBar->clearMessage();
  }
  FReported = false;
  if (size < preset::kDumpSize) {
    FProgress->setValue(static_cast<int>(size));
    ShowProgress(true);
    Wait(FTimes.stallMs);
    return;
  }
  ++FGeneration;
  ShowProgress(false);
  if (size > preset::kDumpSize) {
    FPhase = TPhase::Idle;
    Report(TooLongMessage(size));
    GiveUp();
    return;
  }
  FPhase = TPhase::Complete;
}

void TDumpWatch::Fire() {
  if (FPhase != TPhase::Waiting) {
    return;
  }
  ++FGeneration;
  ShowProgress(false);
  if (FSize == 0) {
    const QString usual = NoAnswerMessage();
    Report(NoAnswerText ? NoAnswerText(usual) : usual);
  } else {
    Report(StalledMessage(FSize));
  }
  GiveUp();
}

void TDumpWatch::Report(const QString& text) {
  FReported = true;
  if (FBar) {
    FBar->showMessage(text);
  }
}

void TDumpWatch::ShowProgress(bool shown) {
  if (FProgress) {
    FProgress->setVisible(shown);
  }
}

}  // namespace morvane::editor
