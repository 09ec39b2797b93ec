#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "midi/notify_window.h"
#include "preset/dump_frame.h"
#include "preset/dump_input.h"
#include "preset/tmrv.h"

namespace morvane::controls {
class Tmrvbox;
}

namespace morvane::editor {

class TChannelOwner;
class TForm1;

inline constexpr int kTransferPresetCount = 16;

// "the edit buffer" for -1, else "preset N" counted from 1, as the channel it belongs to.
QString ModulePresetName(int presetNumber);

// Where other parts of the editor hear what the transfers did. Each list runs in order; one
// listener's error is shown and the others still run.
struct TTransferObservers {
  // A transfer is about to send its first string: Request, Request All or Send All.
  std::vector<std::function<void()>> transferStarting;
  // The channel's whole preset was handed to the engine for the module (told at once)...
  std::vector<std::function<void(int channelIndex)>> channelSending;
  // ...and later the driver took it.
  std::vector<std::function<void(int channelIndex)>> channelSent;
  // The channel's preset was written to a file chosen by the user (Save, Add to Library).
  std::vector<std::function<void(int channelIndex)>> channelSaved;
  // A dump from the module was loaded into the channel.
  std::vector<std::function<void(int channelIndex)>> channelReceived;
  // Request All Presets ended: the sixteen images as they are now, and the channels it filled.
  std::vector<std::function<void(std::span<const preset::tMrv, kTransferPresetCount> images,
                                 const std::vector<int>& receivedChannelIndexes)>>
      allPresetsReceived;
};

// The one owner of a running transfer: its state, the receive buffer's input, the restart of
// the input port, the dump watch and the lock-out of commands that would disturb it, which the
// channel owner asks before every change of a channel and every preset or parameter sent.
// Every change of state happens in transfer_owner.cpp.
class TTransferOwner final {
 public:
  enum class TState {
    Idle,
    // A single Request waits for its dump, until the dump came or the watch gave up.
    Requesting,
    RequestingAll,
    SendingAll,
  };

  static constexpr const char* kPresetWaitSetting = "presetwait";
  static constexpr int kDefaultPresetWaitMs = 2000;

  explicit TTransferOwner(TForm1& form);

  // Runs `then` once every string queued before it has been handed to the port, in the order
  // asked; at once when nothing is queued.
  void AfterSending(std::function<void()> then);
  TTransferOwner(const TTransferOwner&) = delete;
  TTransferOwner& operator=(const TTransferOwner&) = delete;

  TState State() const { return FState; }
  // Throws the reason while a transfer runs.
  void RefuseWhileRunning() const;
  // Before a command that changes the devices: refuses while a transfer runs, and no longer
  // waits for the late dump of an earlier Request.
  void BeginCommand();
  // BeginCommand for a choice of device in list; a refused choice puts back openIndex, the
  // device that stays open.
  void BeginDeviceChange(controls::Tmrvbox& list, int openIndex);

  // Request: restarts the input, empties the receive buffer, sends the request for presetNumber
  // and watches the dump.
  void StartRequest(int presetNumber);
  void StartRequestAll();
  void StartSendAll();

  // The receiving step: the SysEx bytes of one input event, then the end of the batch.
  void Receive(std::span<const std::uint8_t> bytes);
  void ReceivedBatch();

  // A string handed to the engine was not sent; text says why.
  void SendFailed(const QString& text);
  // Once the engine has handed everything queued so far to the port: shows done, or the first
  // failure since in an error box. channelIndex, when given, is the channel whose preset went;
  // taken, when given, runs when everything went.
  void ReportSent(const QString& done, std::optional<int> channelIndex,
                  std::function<void()> taken = {});
  // The channel's preset was just written to a file: tells channelSaved.
  void ReportSaved(int channelIndex);

  // The watch gave up waiting for the requested dump and said so. A dump that still comes loads
  // only into the channel that asked for it, while that channel is shown and unchanged.
  void RequestGaveUp();

  TTransferObservers observers;

 private:
  enum class TOutcome { Pending, Received, Missing, Damaged };
  struct TAllPresets {
    int next = 0;
    std::array<TOutcome, kTransferPresetCount> outcomes{};
    std::array<preset::tMrv, kTransferPresetCount> before;
    std::array<preset::DumpFault, kTransferPresetCount> faults{};
    QStringList unasked;
    // Dumps complete in the batch under way.
    std::vector<preset::Bytes> dumps;
    // Bytes came since the last batch: the wait for the next preset starts over.
    bool heard = false;
  };
  // The dump that a Request asked for, from the channel shown then and its change count; nothing
  // when any dump that comes may load into the channel shown.
  struct TAwaited {
    std::optional<int> presetNumber;
    int channelIndex = 0;
    int changeCount = 0;
    // The watch said that no answer came.
    bool late = false;
  };

  TChannelOwner& Channels();
  // The form's wait (tests put in their own), guarded; progress and outcome on the status bar,
  // and an error in a box, so that no later status hides it before the user has read it.
  void WaitThen(int ms, std::function<void()> then);
  void ShowStatus(const QString& text);
  static void ReportError(const QString& text);
  void Enter(TState state);
  void Close();
  void RestartInput();
  int NewStep() { return ++FStep; }
  void SentWindowNotified();

  void TakeRequestedDump();
  // Why a dump that came after the watch gave up may not load; empty when it may.
  QString LateDumpRefusal(int presetNumber) const;
  void RequestPreset();
  void WaitForPreset();
  void PresetWaitEnded(int step);
  void TakeAllPresetsDump(std::span<const std::uint8_t> dump);
  void NextPreset();
  void FinishAllPresets(const QString& stopped);
  void SendPreset(int presetNumber);
  void PresetSent(int step, int presetNumber);

  TForm1& FForm;
  TState FState = TState::Idle;
  int FStep = 0;
  preset::DumpInput FInput;
  // The dump that may still load: asked for by a Request, or any at start-up.
  std::optional<TAwaited> FAwaited = TAwaited{};
  std::optional<TAllPresets> FAllPresets;
  int FSendingPreset = 0;
  int FFailureCount = 0;
  int FReportedFailures = 0;
  QString FLastFailure;
  std::deque<std::function<void()>> FAfterSending;
  midi::NotifyWindow FSentWindow;
};

}  // namespace morvane::editor
