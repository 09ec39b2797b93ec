#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "preset/tmrv.h"

namespace morvane::engine {
class TMIDIappUtil;
}  // namespace morvane::engine

namespace morvane::midi {
class TMidiOutput;
}  // namespace morvane::midi

namespace morvane::editor {

class TChannelOwner;
class TTransferOwner;

// Plays a preset of the library on the module: it goes to the module's edit buffer, whatever BF
// says, so that no user preset changes, and once it is out middle C sounds for a while at the
// keyboard player's velocity on its channel. Leaving sends the current channel's preset back to
// the edit buffer. A transfer that starts ends the audition first, so that its requests and
// dumps never meet an auditioned edit buffer.
class TAudition final {
 public:
  // Long enough to hear an envelope's attack and some of its decay.
  static constexpr int kNoteMs = 1500;

  TAudition(TChannelOwner& channels, TTransferOwner& transfers, engine::TMIDIappUtil& engine,
            midi::TMidiOutput& output, QObject& context, std::function<int()> currentChannelIndex);

  void Start(const preset::tMrv& auditioned);
  void Leave();
  // True from an audition until the channel's preset went back to the module.
  bool Running() const { return FRunning; }

  // The wait until the note ends; unset, a single-shot timer. Tests fire it themselves.
  std::function<void(int ms, std::function<void()> then)> StartWait;

 private:
  void PlayNote(int audition);
  void EndNote();

  TChannelOwner& FChannels;
  TTransferOwner& FTransfers;
  engine::TMIDIappUtil& FEngine;
  midi::TMidiOutput& FOutput;
  QObject& FContext;
  std::function<int()> FCurrentChannelIndex;
  bool FRunning = false;
  // Bumped by every audition, so that a note due for an earlier one is not played.
  int FAudition = 0;
  struct TNote {
    int channel;
    int note;
  };
  std::optional<TNote> FNote;
};

}  // namespace morvane::editor
