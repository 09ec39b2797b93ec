#include "transfer_owner.h"

#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "channel_owner.h"
#include "device_choice.h"
#include "dump_watch.h"
#include "editor_application.h"
#include "handler_guard.h"
#include "midi/wire_time.h"
#include "preset/dump_frame.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "status_bar.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

using TState = TTransferOwner::TState;

const char* const kRequestRunning =
    "The requested preset is still coming from the module: wait until it is in";
const char* const kTransferRunning = "The presets are still being transferred: wait until it ends";

// A dump takes this long on the MIDI wire: the module is never handed the next one sooner.
constexpr int kDumpWireTimeMs = midi::WireTimeMs(preset::kDumpSize);

// Presets are counted 1..16 on screen, as the channels they land in.
QString Progress(const char* verb, int presetNumber) {
  return QStringLiteral("%1 %2 of %3")
      .arg(QString::fromLatin1(verb))
      .arg(presetNumber + 1)
      .arg(kTransferPresetCount);
}

QString DamagedText(const preset::DumpFault& fault, int channelIndex) {
  return QStringLiteral("The answer from the module was damaged (%1): channel %2 keeps its preset")
      .arg(QString::fromStdString(preset::DumpMessageName(fault.message)))
      .arg(channelIndex + 1);
}

bool IsUserPreset(int presetNumber) {
  return presetNumber >= 0 && presetNumber < kTransferPresetCount;
}

// "Preset 5" or "The edit buffer", to begin a sentence.
QString SentenceStart(int presetNumber) {
  QString name = ModulePresetName(presetNumber);
  name.front() = name.front().toUpper();
  return name;
}

// "3", "3–5" or "2, 4–6, 9": runs of consecutive numbers (in rising order) as ranges.
QString NumberRanges(const std::vector<int>& numbers) {
  QStringList runs;
  for (std::size_t start = 0; start < numbers.size();) {
    std::size_t end = start;
    while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) {
      ++end;
    }
    runs << (end == start ? QString::number(numbers[start])
                          : QStringLiteral("%1\u2013%2").arg(numbers[start]).arg(numbers[end]));
    start = end + 1;
  }
  return runs.join(QStringLiteral(", "));
}

// "presets 11–16 damaged", or "preset 6 did not come"; nothing for no numbers.
void AddPresetGroup(QStringList& parts, const std::vector<int>& numbers, const char* what) {
  if (!numbers.empty()) {
    parts << QStringLiteral("%1 %2 %3")
                 .arg(numbers.size() == 1 ? QStringLiteral("preset") : QStringLiteral("presets"),
                      NumberRanges(numbers), QString::fromLatin1(what));
  }
}

// Request All's outcome in one line: how many came, and which did not and why.
QString AllPresetsSummary(int receivedCount, const std::vector<int>& missing,
                          const std::vector<int>& damaged, const std::vector<int>& unrequested,
                          int unaskedCount) {
  QStringList parts;
  AddPresetGroup(parts, missing, "did not come");
  AddPresetGroup(parts, damaged, "damaged");
  AddPresetGroup(parts, unrequested, "not requested");
  const std::size_t kept = missing.size() + damaged.size() + unrequested.size();
  QString summary;
  if (kept == 0) {
    summary =
        QStringLiteral("Received %1 of %2 presets").arg(receivedCount).arg(kTransferPresetCount);
  } else {
    summary = QStringLiteral("Received %1 of %2; %3, %4")
                  .arg(receivedCount)
                  .arg(kTransferPresetCount)
                  .arg(parts.join(QStringLiteral(", ")),
                       kept == 1 ? QStringLiteral("its channel kept")
                                 : QStringLiteral("their channels kept"));
  }
  if (unaskedCount > 0) {
    summary += unaskedCount == 1
                   ? QStringLiteral("; an answer not asked for was not loaded")
                   : QStringLiteral("; %1 answers not asked for were not loaded").arg(unaskedCount);
  }
  return summary;
}

// Each observer runs guarded: one that fails is shown, and the transfer and the others go on.
template <typename List, typename... Args>
void Tell(const List& observers, const Args&... args) {
  for (const auto& observer : observers) {
    RunGuarded([&] { observer(args...); });
  }
}

}  // namespace

QString ModulePresetName(int presetNumber) {
  return presetNumber == preset::kEditBufferPreset
             ? QStringLiteral("the edit buffer")
             : QStringLiteral("preset %1").arg(presetNumber + 1);
}

TTransferOwner::TTransferOwner(TForm1& form)
    : FForm(form),
      FInput(form.receiveBuffer),
      FSentWindow(form.FGuiThread,
                  [this](std::uint32_t, midi::MidiHeader*) { SentWindowNotified(); }) {
  FForm.FDumpWatch->StartWait = [this](int ms, std::function<void()> then) {
    WaitThen(ms, std::move(then));
  };
  FForm.FDumpWatch->OnGaveUp = [this] { RequestGaveUp(); };
}

void TTransferOwner::WaitThen(int ms, std::function<void()> then) {
  auto guarded = [then = std::move(then)] { RunGuarded(then); };
  if (FForm.StartTransferWait) {
    FForm.StartTransferWait(ms, std::move(guarded));
  } else {
    QTimer::singleShot(ms, &FForm, std::move(guarded));
  }
}

void TTransferOwner::ShowStatus(const QString& text) {
  FForm.StatusBar1->showMessage(text);
}

// A box, so that no later status hides the error before the user has read it.
void TTransferOwner::ReportError(const QString& text) {
  if (TEditorApplication* application = TEditorApplication::Instance()) {
    application->ReportError(text);
    return;
  }
  qCritical("%s", qUtf8Printable(text));
}

TChannelOwner& TTransferOwner::Channels() {
  return FForm.Channels();
}

void TTransferOwner::Enter(TState state) {
  FState = state;
}

void TTransferOwner::RefuseWhileRunning() const {
  switch (FState) {
    case TState::Idle:
      return;
    case TState::Requesting:
      throw std::runtime_error(kRequestRunning);
    case TState::RequestingAll:
    case TState::SendingAll:
      throw std::runtime_error(kTransferRunning);
  }
}

void TTransferOwner::BeginCommand() {
  RefuseWhileRunning();
  Close();
}

void TTransferOwner::BeginDeviceChange(controls::Tmrvbox& list, int openIndex) {
  try {
    BeginCommand();
  } catch (...) {
    list.setCurrentIndex(openIndex >= 0 && openIndex < list.count() ? openIndex : kNoDeviceChoice);
    throw;
  }
}

// Nothing that an earlier transfer left waiting may act from here on.
void TTransferOwner::Close() {
  FAwaited.reset();
  FInput.SetAwaiting(false);
  FInput.OnDump = nullptr;
  FInput.OnCutOff = nullptr;
  FForm.FDumpWatch->Stop();
  NewStep();
}

void TTransferOwner::RestartInput() {
  RestartInputDevice(*FForm.midiin, FForm.MidiInput1);
}

// ---- A single Request ----

void TTransferOwner::StartRequest(int presetNumber) {
  RefuseWhileRunning();
  Tell(observers.transferStarting);
  Close();
  RestartInput();
  FInput.Clear();
  FInput.SetAwaiting(true);
  const int channelIndex = FForm.CurrentChannelIndex();
  FAwaited = TAwaited{presetNumber, channelIndex, Channels().ChangeCount(channelIndex)};
  Enter(TState::Requesting);
  try {
    FForm.engine.SendSysex(preset::DumpRequestMessage(presetNumber));
  } catch (...) {
    Close();
    Enter(TState::Idle);
    throw;
  }
  FForm.WatchRequestedDump();
}

void TTransferOwner::RequestGaveUp() {
  // The byte count no longer stands for a dump under way: the caption names the channel again.
  FForm.ShowChannelCaption();
  // The dump may still come late; the lock-out ends.
  if (FAwaited) {
    FAwaited->late = true;
  }
  if (FState == TState::Requesting) {
    Enter(TState::Idle);
  }
}

void TTransferOwner::Receive(std::span<const std::uint8_t> bytes) {
  const std::size_t before = FForm.receiveBuffer.Size();
  FInput.Feed(bytes);
  if (FAllPresets && FForm.receiveBuffer.Size() != before) {
    FAllPresets->heard = true;
  }
}

void TTransferOwner::ReceivedBatch() {
  const std::size_t size = FForm.receiveBuffer.Size();
  FForm.setWindowTitle(QString::number(size));
  if (FState == TState::RequestingAll) {
    const bool heard = std::exchange(FAllPresets->heard, false);
    const std::vector<preset::Bytes> dumps = std::exchange(FAllPresets->dumps, {});
    for (const preset::Bytes& dump : dumps) {
      if (FState == TState::RequestingAll) {
        TakeAllPresetsDump(dump);
      }
    }
    // An answer under way: the module is not silent.
    if (heard && FState == TState::RequestingAll && FForm.receiveBuffer.Size() > 0) {
      WaitForPreset();
    }
    return;
  }
  FForm.FDumpWatch->Received(size);
  // Only an exact dump is taken: anything that arrives after it grows the buffer past the size
  // and is never loaded, until the next request empties the buffer.
  if (FAwaited && size == preset::kDumpSize) {
    TakeRequestedDump();
  }
}

void TTransferOwner::TakeRequestedDump() {
  const preset::Bytes dump(FForm.receiveBuffer.View().begin(), FForm.receiveBuffer.View().end());
  // Before the watch gave up the dump lands in the channel shown when it completes; after, only
  // in the channel that asked for it.
  const int channelIndex = FAwaited->late ? FAwaited->channelIndex : FForm.CurrentChannelIndex();
  if (const std::optional<preset::DumpFault> fault = preset::FindDumpFault(dump)) {
    Close();
    Enter(TState::Idle);
    FForm.ShowChannelCaption();
    ReportError(DamagedText(*fault, channelIndex));
    return;
  }
  const int presetNumber = preset::DumpPresetNumber(dump);
  if (FAwaited->presetNumber && *FAwaited->presetNumber != presetNumber) {
    // An answer to an earlier request: the one asked for may still come.
    const int asked = *FAwaited->presetNumber;
    FInput.Clear();
    FForm.ShowChannelCaption();
    if (FState == TState::Requesting) {
      FForm.WatchRequestedDump();
    }
    ReportError(
        QStringLiteral("The module sent %1, not %2 that was asked for: channel %3 keeps its preset")
            .arg(ModulePresetName(presetNumber), ModulePresetName(asked))
            .arg(channelIndex + 1));
    return;
  }
  if (const QString refusal = LateDumpRefusal(presetNumber); !refusal.isEmpty()) {
    Close();
    FForm.ShowChannelCaption();
    ReportError(refusal);
    return;
  }
  FAwaited.reset();
  FInput.SetAwaiting(false);
  if (FState == TState::Requesting) {
    Enter(TState::Idle);
  }
  Channels().LoadReceived(TTransferKey(), channelIndex, dump, QStringLiteral("received dump"));
  Tell(observers.channelReceived, channelIndex);
}

QString TTransferOwner::LateDumpRefusal(int presetNumber) const {
  if (!FAwaited->late) {
    return {};
  }
  const int channelIndex = FAwaited->channelIndex;
  const int shown = FForm.CurrentChannelIndex();
  QString after;
  if (shown != channelIndex) {
    after =
        QStringLiteral("channel %1 was left for channel %2").arg(channelIndex + 1).arg(shown + 1);
  } else if (FForm.Channels().ChangeCount(channelIndex) != FAwaited->changeCount) {
    after = QStringLiteral("channel %1 was changed").arg(channelIndex + 1);
  } else {
    return {};
  }
  return QStringLiteral("%1 came late, after %2: channel %3 keeps its preset")
      .arg(SentenceStart(presetNumber), after)
      .arg(channelIndex + 1);
}

// ---- Request All Presets ----

void TTransferOwner::StartRequestAll() {
  RefuseWhileRunning();
  Tell(observers.transferStarting);
  Close();
  RestartInput();
  FInput.Clear();
  FInput.SetAwaiting(true);
  // Taken at the end of the batch, after the caption has counted the bytes. A dump that the
  // next one cut off is taken as the damaged answer it is.
  const auto keep = [this](std::span<const std::uint8_t> dump) {
    FAllPresets->dumps.emplace_back(dump.begin(), dump.end());
  };
  FInput.OnDump = keep;
  FInput.OnCutOff = keep;
  FAllPresets.emplace();
  FAllPresets->before = Channels().Images();
  Enter(TState::RequestingAll);
  RequestPreset();
}

void TTransferOwner::RequestPreset() {
  ShowStatus(Progress("Preset", FAllPresets->next));
  try {
    FForm.engine.SendSysex(preset::DumpRequestMessage(FAllPresets->next));
  } catch (...) {
    // The transfer ends here: nothing must go on waiting for it.
    FAllPresets.reset();
    Close();
    Enter(TState::Idle);
    throw;
  }
  WaitForPreset();
}

// The wait for the preset asked for starts over with every batch of its bytes, so that a
// module that answers late but steadily is not given up while its dump arrives.
void TTransferOwner::WaitForPreset() {
  const int step = NewStep();
  const int waitMs = FForm.settings
                         ? FForm.settings->ReadInteger(kPresetWaitSetting, kDefaultPresetWaitMs)
                         : kDefaultPresetWaitMs;
  WaitThen(waitMs, [this, step] { PresetWaitEnded(step); });
}

void TTransferOwner::PresetWaitEnded(int step) {
  if (FState != TState::RequestingAll || step != FStep) {
    return;
  }
  FAllPresets->outcomes.at(static_cast<std::size_t>(FAllPresets->next)) = TOutcome::Missing;
  NextPreset();
}

void TTransferOwner::NextPreset() {
  if (++FAllPresets->next == kTransferPresetCount) {
    FinishAllPresets({});
    return;
  }
  RequestPreset();
}

// Each answer goes to the channel of the preset number it carries, never by its order: a late
// answer still reaches its own channel, which nothing else can change while the transfer runs.
void TTransferOwner::TakeAllPresetsDump(std::span<const std::uint8_t> dump) {
  TAllPresets& all = *FAllPresets;
  const int presetNumber = preset::DumpPresetNumber(dump);
  if (!IsUserPreset(presetNumber) || presetNumber > all.next) {
    all.unasked << QStringLiteral("The module sent %1 when %2 was asked for: it was not loaded")
                       .arg(ModulePresetName(presetNumber), ModulePresetName(all.next));
    return;
  }
  const auto index = static_cast<std::size_t>(presetNumber);
  TOutcome& outcome = all.outcomes.at(index);
  if (outcome == TOutcome::Received) {
    return;
  }
  if (const std::optional<preset::DumpFault> fault = preset::FindDumpFault(dump)) {
    outcome = TOutcome::Damaged;
    all.faults.at(index) = *fault;
  } else {
    outcome = TOutcome::Received;
    Channels().LoadReceived(TTransferKey(), presetNumber, dump);
    Tell(observers.channelReceived, presetNumber);
  }
  if (presetNumber == all.next) {
    NextPreset();
  }
}

void TTransferOwner::FinishAllPresets(const QString& stopped) {
  const TAllPresets all = std::move(*FAllPresets);
  FAllPresets.reset();
  Close();
  Enter(TState::Idle);
  FForm.RefreshControls();

  std::vector<TPresetChange> changes;
  std::vector<int> received;
  // Presets counted from 1, by what became of them.
  std::vector<int> missing;
  std::vector<int> damaged;
  std::vector<int> unrequested;
  QStringList details;
  for (int presetNumber = 0; presetNumber < kTransferPresetCount; ++presetNumber) {
    const auto index = static_cast<std::size_t>(presetNumber);
    switch (all.outcomes.at(index)) {
      case TOutcome::Received:
        received.push_back(presetNumber);
        changes.push_back({presetNumber, all.before.at(index), Channels().Image(presetNumber)});
        break;
      case TOutcome::Missing:
        missing.push_back(presetNumber + 1);
        details << QStringLiteral(
                       "Preset %1 of %2 did not come from the module: channel %1 "
                       "keeps its preset")
                       .arg(presetNumber + 1)
                       .arg(kTransferPresetCount);
        break;
      case TOutcome::Damaged:
        damaged.push_back(presetNumber + 1);
        details << DamagedText(all.faults.at(index), presetNumber);
        break;
      case TOutcome::Pending:
        unrequested.push_back(presetNumber + 1);
        break;
    }
  }
  if (!changes.empty()) {
    Channels().RecordReceived(TTransferKey(), std::move(changes),
                              QStringLiteral("Request All Presets"));
  }
  details << all.unasked;
  if (!stopped.isEmpty()) {
    details.prepend(stopped);
  }
  FForm.FStatusBar->ShowWithDetails(
      AllPresetsSummary(static_cast<int>(received.size()), missing, damaged, unrequested,
                        static_cast<int>(all.unasked.size())),
      details);
  const std::array<preset::tMrv, kTransferPresetCount> images = Channels().Images();
  Tell(observers.allPresetsReceived, std::span<const preset::tMrv, kTransferPresetCount>(images),
       received);
  // A failure to send is an error of its own; what did not come is on the status bar.
  if (!stopped.isEmpty()) {
    ReportError(stopped);
  }
}

// ---- Send All Presets ----

void TTransferOwner::StartSendAll() {
  RefuseWhileRunning();
  Tell(observers.transferStarting);
  Close();
  Enter(TState::SendingAll);
  SendPreset(0);
}

void TTransferOwner::SendPreset(int presetNumber) {
  FSendingPreset = presetNumber;
  ShowStatus(Progress("Sending preset", presetNumber));
  try {
    FForm.engine.SendSysex(Channels().DumpToSend(TTransferKey(), presetNumber, presetNumber));
  } catch (...) {
    // A failure ends the chain here, with nothing left waiting to send.
    Close();
    Enter(TState::Idle);
    throw;
  }
  Tell(observers.channelSending, presetNumber);
  const int step = NewStep();
  WaitThen(kDumpWireTimeMs, [this, step, presetNumber] {
    AfterSending([this, step, presetNumber] { PresetSent(step, presetNumber); });
  });
}

void TTransferOwner::PresetSent(int step, int presetNumber) {
  if (FState != TState::SendingAll || step != FStep) {
    return;
  }
  Tell(observers.channelSent, presetNumber);
  if (presetNumber + 1 < kTransferPresetCount) {
    SendPreset(presetNumber + 1);
    return;
  }
  Enter(TState::Idle);
  ShowStatus(QStringLiteral("Sent %1 presets").arg(kTransferPresetCount));
}

// ---- What the engine could not send ----

void TTransferOwner::SendFailed(const QString& text) {
  ++FFailureCount;
  FLastFailure = text;
  switch (FState) {
    case TState::Idle:
      return;
    case TState::Requesting:
      Close();
      Enter(TState::Idle);
      ReportError(QStringLiteral("The request was not sent: %1").arg(text));
      return;
    case TState::RequestingAll:
      FinishAllPresets(QStringLiteral("Requesting stopped at %1: %2")
                           .arg(Progress("preset", FAllPresets->next), text));
      return;
    case TState::SendingAll: {
      Close();
      Enter(TState::Idle);
      const QString stopped =
          QStringLiteral("Sending stopped at %1: %2").arg(Progress("preset", FSendingPreset), text);
      ShowStatus(stopped);
      ReportError(stopped);
      return;
    }
  }
}

void TTransferOwner::ReportSent(const QString& done, std::optional<int> channelIndex,
                                std::function<void()> taken) {
  if (channelIndex) {
    Tell(observers.channelSending, *channelIndex);
  }
  const int failuresBefore = FFailureCount;
  AfterSending([this, failuresBefore, done, channelIndex, taken = std::move(taken)] {
    if (FFailureCount > std::max(failuresBefore, FReportedFailures)) {
      // The status bar already names the failure; the box keeps it until the user has read it.
      FReportedFailures = FFailureCount;
      ReportError(FLastFailure);
      return;
    }
    if (FFailureCount > failuresBefore) {
      return;
    }
    ShowStatus(done);
    if (channelIndex) {
      Tell(observers.channelSent, *channelIndex);
    }
    if (taken) {
      RunGuarded(taken);
    }
  });
}

void TTransferOwner::ReportSaved(int channelIndex) {
  Tell(observers.channelSaved, channelIndex);
}

void TTransferOwner::AfterSending(std::function<void()> then) {
  if (FAfterSending.empty() && FForm.engine.SysexSender().PendingCount() == 0) {
    then();
    return;
  }
  FAfterSending.push_back(std::move(then));
  FSentWindow.PostInput();
}

// This window comes after the engine's sender in every dispatch, so that whatever was queued
// before has been handed to the port by now.
void TTransferOwner::SentWindowNotified() {
  if (FAfterSending.empty()) {
    return;
  }
  if (FForm.engine.SysexSender().PendingCount() > 0) {
    FSentWindow.PostInput();
    return;
  }
  const std::function<void()> then = std::move(FAfterSending.front());
  FAfterSending.pop_front();
  RunGuarded(then);
}

}  // namespace morvane::editor
