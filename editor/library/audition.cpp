#include <QTimer>
#include <algorithm>

#include "handler_guard.h"
#include "library_files.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

// The module's edit buffer, where an audition goes whatever BF says: no user preset changes.
constexpr int kEditBuffer = -1;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kMiddleC = 60;
// A note-on of velocity 0 would end the note.
constexpr int kLeastVelocity = 1;
constexpr int kMostVelocity = 127;
// Long enough to hear an envelope's attack and some of its decay.
constexpr int kAuditionNoteMs = 1500;

preset::Bytes EditBufferDump(const preset::tMrv& image) {
  // A copy: sending must not change the checksums or the preset number the image keeps.
  preset::tMrv outgoing = image;
  outgoing.SetPresetNumber(kEditBuffer);
  return outgoing.BuildDump();
}

}  // namespace

void TForm1::LibraryWait(int ms, std::function<void()> then) {
  auto guarded = [then = std::move(then)] { RunGuarded(then); };
  if (StartLibraryWait) {
    StartLibraryWait(ms, std::move(guarded));
  } else {
    QTimer::singleShot(ms, this, std::move(guarded));
  }
}

void TForm1::StartAudition(const TLibraryReference& reference) {
  const preset::tMrv auditioned = ReadLibraryPreset(reference);
  EndAuditionNote();
  const int audition = ++FAudition;
  FAuditioning = true;
  engine.SendSysex(EditBufferDump(auditioned));
  // The note goes out once the dump has, so that the module plays the preset auditioned.
  FTransfers->AfterSending([this, audition] { PlayAuditionNote(audition); });
}

void TForm1::PlayAuditionNote(int audition) {
  if (audition != FAudition || !FAuditioning) {
    return;
  }
  const int channel = engine.Channel();
  MidiOutput1.SendShort(
      static_cast<std::uint8_t>(kNoteOn | channel), kMiddleC,
      static_cast<std::uint8_t>(std::clamp(engine.Velocity(), kLeastVelocity, kMostVelocity)));
  FAuditionNote = TAuditionNote{channel, kMiddleC};
  LibraryWait(kAuditionNoteMs, [this, audition] {
    if (audition == FAudition) {
      EndAuditionNote();
    }
  });
}

void TForm1::EndAuditionNote() {
  if (const std::optional<TAuditionNote> note = std::exchange(FAuditionNote, std::nullopt)) {
    MidiOutput1.SendShort(static_cast<std::uint8_t>(kNoteOff | note->channel),
                          static_cast<std::uint8_t>(note->note), 0);
  }
}

void TForm1::LeaveAudition() {
  if (!FAuditioning) {
    return;
  }
  FAuditioning = false;
  ++FAudition;
  EndAuditionNote();
  engine.SendSysex(EditBufferDump(images.at(static_cast<std::size_t>(CurrentChannelIndex()))));
}

}  // namespace morvane::editor
