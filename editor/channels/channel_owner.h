#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "preset/module_messages.h"
#include "preset/tmrv.h"
#include "preset_change.h"

class QUndoStack;

namespace morvane::engine {
class TMIDIappUtil;
}  // namespace morvane::engine

namespace morvane::editor {

class TParameterStep;
class TTransferOwner;

inline constexpr int kOwnedChannelCount = 16;

// What the steps of one gesture on a value control share: the edits sent while dragging and
// the release that ends the drag are one step.
struct TGesture {
  const void* control = nullptr;
  int number = 0;
  bool operator==(const TGesture&) const = default;
};

// Only the transfer owner makes one: with it, a running transfer puts what it received into a
// channel, or takes a channel's dump to send, past the lock-out that refuses everyone else.
class TTransferKey {
  friend class TTransferOwner;
  TTransferKey() = default;
};

// How a channel's image changed, so that a listener knows whether the window shows it already.
enum class TImageChange {
  // A value written by the user's control, name box or list, and sent: the control shows it.
  Edit,
  // A whole preset, or a part of one, changed in the editor (a file, a bank, a copy, an undo
  // or redo, the initial preset, a session brought back).
  Preset,
  // A dump from the module.
  Received,
};

// Where the rest of the editor hears what happened to the channels. Each list runs in order,
// after the owner's own state (image, count, mark, undo step) is complete; one listener's error
// is shown and the others still run.
struct TChannelObservers {
  std::vector<std::function<void(int channelIndex, TImageChange how)>> imageChanged;
  // The channel's "module may differ" mark was set or cleared.
  std::vector<std::function<void(int channelIndex, bool marked)>> markChanged;
  // A preset's bytes from a file or a library entry were loaded into the channel (Load).
  std::vector<std::function<void(int channelIndex)>> presetLoaded;
};

// The one owner of the sixteen channels: their preset images, a count of the changes of each,
// the marks of those that may differ from the module, and the undo stack of their changes. It is
// the only code that changes an image, and the only way for a command to send a preset or a
// parameter to the module: each call asks the transfer owner first and throws its refusal while
// a transfer runs, so that a command added later cannot disturb one. Notes from the keyboard
// and Panic do not come here; they still go out during a transfer.
//
// A channel is marked when its image changed in the editor alone (a file, a bank, a copy, an
// undo of a whole preset, a session brought back); a dump received, or the channel's preset
// sent and taken by the driver with no such change since, clears the mark. An edit is sent at
// once and leaves the mark as it is.
class TChannelOwner final {
 public:
  static constexpr int kChannelCount = kOwnedChannelCount;
  // Enough steps for a long session; a whole-preset step holds two images of a few KB.
  static constexpr int kUndoLimit = 1000;

  TChannelOwner(TTransferOwner& transfers, engine::TMIDIappUtil& engine);
  ~TChannelOwner();
  TChannelOwner(const TChannelOwner&) = delete;
  TChannelOwner& operator=(const TChannelOwner&) = delete;

  // ---- Reading (copies: reading a name or a value moves the image's position).
  preset::tMrv Image(int channelIndex) const;
  std::array<preset::tMrv, kChannelCount> Images() const;
  // Grows with every change of the channel's image: an edit, a whole preset, a received dump.
  int ChangeCount(int channelIndex) const;
  bool Marked(int channelIndex) const;
  const QUndoStack& UndoStack() const { return *FUndoStack; }

  // Throws the transfer owner's refusal while a transfer runs; commands that ask the user a
  // question call it first, so that the question is not asked in vain.
  void RefuseWhileTransferring() const;

  // ---- Whole presets, changed in the editor only: one undo step each call, the channels marked.
  // undoNote, when given, is what the status bar says after the step is undone.
  void Replace(int channelIndex, const preset::tMrv& image, const QString& undoText,
               const QString& undoNote = QString());
  // The module is sent image as presetNumber, then the channel takes it, keeping its own
  // number (Initialize): one step, and the mark goes once the driver took the dump; done is
  // shown then.
  void ReplaceAndSend(int channelIndex, const preset::tMrv& image, int presetNumber,
                      const QString& undoText, const QString& undoNote, const QString& done);
  // A whole preset that the caller has just sent to the module through this owner, as edits
  // or a dump to presetNumber (a morph's last position): one step, and the channel is no longer
  // marked. Nothing happens when the image is the same.
  void Adopt(int channelIndex, const preset::tMrv& image, const QString& undoText);
  // A preset's bytes from a file or from elsewhere (source names it) into the channel, as
  // Replace; refused, with source and what is wrong, unless they are framed as one dump.
  void Load(int channelIndex, std::span<const std::uint8_t> bytes, const QString& source,
            const QString& undoText);
  // Several channels as one step; channels whose image stays the same are left alone.
  void ReplaceSeveral(const std::vector<std::pair<int, preset::tMrv>>& images,
                      const QString& undoText);
  // Changes the channel's image in place (a layer copy), one step.
  void Change(int channelIndex, const QString& undoText,
              const std::function<void(preset::tMrv& image)>& change);
  // At start-up, before anything can be undone: every channel holds image, unmarked.
  void StartFrom(const preset::tMrv& image);
  // Images brought back from elsewhere (a kept session): every channel marked, nothing to undo.
  void BringBack(std::span<const preset::tMrv, kChannelCount> images);
  // Writes the preset number into the image's dump, as Save and Send do; no change of the
  // preset, so nothing to undo or mark, and never refused.
  void SetPresetNumber(int channelIndex, int presetNumber);

  // ---- Edits: written into the image and sent to the module at once.
  // Opens one undo step for the edits made in its scope, also when they stop half-way on an
  // error; every WriteParameter meanwhile joins it. Steps of one gesture on a value control
  // (gesture set) merge into one. Refused while a transfer runs.
  class TEditRecording {
   public:
    TEditRecording(TChannelOwner& owner, int channelIndex, const QString& label,
                   TGesture gesture = {});
    ~TEditRecording();
    TEditRecording(const TEditRecording&) = delete;
    TEditRecording& operator=(const TEditRecording&) = delete;

   private:
    TChannelOwner& FOwner;
    TParameterStep* FStep;
  };
  // Writes value into layer (0 = the preset-wide block, 1..4) of the channel's image and sends
  // preset-select (presetNumber), layer-select and the parameter edit. The strings are built
  // first, so a number that no message can carry changes nothing.
  void WriteParameter(int channelIndex, preset::ParamNumber param, int layer, int presetNumber,
                      int value);
  // Writes the name (the fourth character as given) and sends it as presetNumber's name; one
  // step.
  void WriteName(int channelIndex, int presetNumber, std::string_view name);

  // ---- Sending to the module.
  // Strings as they are (a layer's mute, a layer copy); done is shown once the driver took
  // them, or an error box names what failed.
  void SendMessages(std::span<const preset::Bytes> strings, const QString& done = QString());
  // The channel's preset to presetNumber, which its image keeps, as Send does; the mark goes
  // once the driver took it with no change since.
  void SendPreset(int channelIndex, int presetNumber, const QString& done);
  // A preset that no channel holds (an audition, the initial preset) to presetNumber; no image
  // changes.
  void SendImage(const preset::tMrv& image, int presetNumber, const QString& done = QString());
  // Another version of the channel's preset (its reference) to presetNumber in its place, to
  // be heard: the image stays as it is, and the channel is marked, since the module no longer
  // holds it.
  void SendInPlace(int channelIndex, const preset::tMrv& image, int presetNumber,
                   const QString& done);
  // The channel's own preset back to presetNumber after SendInPlace; once the driver took it,
  // the mark is what it was before SendInPlace, unless the channel changed in the editor alone
  // since. The image, its preset number included, stays as it is.
  void SendBack(int channelIndex, int presetNumber, const QString& done);

  // ---- Undo and redo, refused while a transfer runs.
  void Undo();
  void Redo();

  // ---- A running transfer's own changes.
  // Puts a received dump into the channel and clears its mark; with undoText, one step.
  void LoadReceived(TTransferKey, int channelIndex, std::span<const std::uint8_t> dump,
                    const QString& undoText = QString());
  // The step for dumps already put into their channels by LoadReceived.
  void RecordReceived(TTransferKey, std::vector<TPresetChange> changes, const QString& undoText);
  // The channel's dump numbered presetNumber, for the transfer to send.
  preset::Bytes DumpToSend(TTransferKey, int channelIndex, int presetNumber);

  TChannelObservers observers;
  // What the window shows, for undo and redo: the channel on show, showing another one first,
  // and a word on the status bar.
  std::function<int()> ShownChannelIndex;
  std::function<void(int channelIndex)> ShowChannel;
  std::function<void(const QString& text)> ShowStatus;

 private:
  friend class TParameterStep;
  friend class TRenameStep;
  friend class TPresetStep;
  friend class TUndoStep;

  preset::tMrv& At(int channelIndex);
  const preset::tMrv& At(int channelIndex) const;
  void Changed(int channelIndex, TImageChange how);
  // An image changed in the editor alone: the module was not told.
  void Untold(int channelIndex);
  void SetMark(int channelIndex, bool marked);
  void PushPresetStep(std::vector<TPresetChange> changes, const QString& text,
                      const QString& undoNote);
  void SendStrings(std::span<const preset::Bytes> strings);
  void HearTransfers();

  // What the steps do when undone or redone, past the gate that Undo and Redo have asked.
  void ApplyWrite(int channelIndex, preset::ParamNumber param, int layer, int presetNumber,
                  int value);
  void ApplyName(int channelIndex, int presetNumber, std::string_view name);
  void ApplyImages(const std::vector<TPresetChange>& changes, bool forward);
  // Shows the first of the channels unless the window shows one of them already.
  void ShowFirst(std::span<const int> channelIndexes);

  TTransferOwner& FTransfers;
  engine::TMIDIappUtil& FEngine;
  std::array<preset::tMrv, kChannelCount> FImages;
  std::array<int, kChannelCount> FChanges{};
  std::array<bool, kChannelCount> FMarked{};
  // Changes made in the editor alone, and their count when the channel's dump was handed on.
  std::array<int, kChannelCount> FUntold{};
  std::array<int, kChannelCount> FSentUntold{};
  // The mark and the count of changes made in the editor alone before SendInPlace, while
  // another version stands in the channel's place in the module.
  struct TInPlace {
    bool marked = false;
    int untold = 0;
  };
  std::array<std::optional<TInPlace>, kChannelCount> FInPlace{};
  // The step that the running edit fills; owned by its TEditRecording.
  TParameterStep* FOpenStep = nullptr;
  std::unique_ptr<QUndoStack> FUndoStack;
};

}  // namespace morvane::editor
