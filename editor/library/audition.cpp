#include "audition.h"

#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "channel_owner.h"
#include "engine/midi_app_util.h"
#include "handler_guard.h"
#include "midi/midi_output.h"
#include "preset/module_messages.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kMiddleC = 60;
// A note-on of velocity 0 would end the note.
constexpr int kLeastVelocity = 1;
constexpr int kMostVelocity = 127;

}  // namespace

TAudition::TAudition(TChannelOwner& channels, TTransferOwner& transfers,
                     engine::TMIDIappUtil& engine, midi::TMidiOutput& output, QObject& context,
                     std::function<int()> currentChannelIndex)
    : FChannels(channels),
      FTransfers(transfers),
      FEngine(engine),
      FOutput(output),
      FContext(context),
      FCurrentChannelIndex(std::move(currentChannelIndex)) {
  transfers.observers.transferStarting.push_back([this] { Leave(); });
}

void TAudition::Start(const preset::tMrv& auditioned) {
  FChannels.RefuseWhileTransferring();
  EndNote();
  const int audition = ++FAudition;
  FChannels.SendImage(auditioned, preset::kEditBufferPreset);
  FRunning = true;
  // The note goes out once the dump has, so that the module plays the preset auditioned.
  FTransfers.AfterSending([this, audition] { PlayNote(audition); });
}

void TAudition::PlayNote(int audition) {
  if (audition != FAudition || !FRunning) {
    return;
  }
  const int channel = FEngine.Channel();
  FOutput.SendShort(
      static_cast<std::uint8_t>(kNoteOn | channel), kMiddleC,
      static_cast<std::uint8_t>(std::clamp(FEngine.Velocity(), kLeastVelocity, kMostVelocity)));
  FNote = TNote{channel, kMiddleC};
  auto end = [this, audition] {
    RunGuarded([&] {
      if (audition == FAudition) {
        EndNote();
      }
    });
  };
  if (StartWait) {
    StartWait(kNoteMs, std::move(end));
  } else {
    QTimer::singleShot(kNoteMs, &FContext, std::move(end));
  }
}

void TAudition::EndNote() {
  if (const std::optional<TNote> note = std::exchange(FNote, std::nullopt)) {
    FOutput.SendShort(static_cast<std::uint8_t>(kNoteOff | note->channel),
                      static_cast<std::uint8_t>(note->note), 0);
  }
}

void TAudition::Leave() {
  if (!FRunning) {
    return;
  }
  FRunning = false;
  ++FAudition;
  EndNote();
  FChannels.SendImage(FChannels.Image(FCurrentChannelIndex()), preset::kEditBufferPreset);
}

}  // namespace morvane::editor
