#include "channel_owner.h"

#include <QUndoStack>
#include <algorithm>
#include <stdexcept>

#include "engine/midi_app_util.h"
#include "handler_guard.h"
#include "preset/initial_preset.h"
#include "preset/preset_file.h"
#include "transfer_owner.h"
#include "undo_steps.h"

namespace morvane::editor {

namespace {

bool SameImage(const preset::tMrv& left, const preset::tMrv& right) {
  return std::ranges::equal(left.View(), right.View()) &&
         std::ranges::equal(left.RawDump().View(), right.RawDump().View());
}

// Each listener runs guarded: one that fails is shown, and the others still hear the change.
template <typename List, typename... Args>
void Tell(const List& listeners, const Args&... args) {
  for (const auto& listener : listeners) {
    RunGuarded([&] { listener(args...); });
  }
}

}  // namespace

TChannelOwner::TChannelOwner(TTransferOwner& transfers, engine::TMIDIappUtil& engine)
    : FTransfers(transfers), FEngine(engine), FUndoStack(std::make_unique<QUndoStack>()) {
  FUndoStack->setObjectName(QStringLiteral("undoStack"));
  FUndoStack->setUndoLimit(kUndoLimit);
  const preset::Bytes initialPreset = preset::BuildInitialPreset();
  for (preset::tMrv& image : FImages) {
    image.LoadPresetFromBytes(initialPreset);
  }
  HearTransfers();
}

// The steps go first: none may outlive the images they name.
TChannelOwner::~TChannelOwner() {
  FUndoStack.reset();
}

preset::tMrv& TChannelOwner::At(int channelIndex) {
  return FImages.at(static_cast<std::size_t>(channelIndex));
}

const preset::tMrv& TChannelOwner::At(int channelIndex) const {
  return FImages.at(static_cast<std::size_t>(channelIndex));
}

preset::tMrv TChannelOwner::Image(int channelIndex) const {
  return At(channelIndex);
}

std::array<preset::tMrv, TChannelOwner::kChannelCount> TChannelOwner::Images() const {
  return FImages;
}

int TChannelOwner::ChangeCount(int channelIndex) const {
  return FChanges.at(static_cast<std::size_t>(channelIndex));
}

bool TChannelOwner::Marked(int channelIndex) const {
  return FMarked.at(static_cast<std::size_t>(channelIndex));
}

void TChannelOwner::RefuseWhileTransferring() const {
  FTransfers.RefuseWhileRunning();
}

// ---- What every change does ----

void TChannelOwner::Changed(int channelIndex, TImageChange how) {
  ++FChanges.at(static_cast<std::size_t>(channelIndex));
  Tell(observers.imageChanged, channelIndex, how);
}

void TChannelOwner::Untold(int channelIndex) {
  ++FUntold.at(static_cast<std::size_t>(channelIndex));
  SetMark(channelIndex, true);
}

void TChannelOwner::SetMark(int channelIndex, bool marked) {
  if (std::exchange(FMarked.at(static_cast<std::size_t>(channelIndex)), marked) != marked) {
    Tell(observers.markChanged, channelIndex, marked);
  }
}

// A preset changed again while its dump was on the way keeps its mark when the dump is out.
void TChannelOwner::HearTransfers() {
  TTransferObservers& heard = FTransfers.observers;
  heard.channelSending.push_back([this](int channelIndex) {
    const auto index = static_cast<std::size_t>(channelIndex);
    FSentUntold.at(index) = FUntold.at(index);
  });
  heard.channelSent.push_back([this](int channelIndex) {
    const auto index = static_cast<std::size_t>(channelIndex);
    if (FSentUntold.at(index) == FUntold.at(index)) {
      SetMark(channelIndex, false);
    }
  });
}

void TChannelOwner::PushPresetStep(std::vector<TPresetChange> changes, const QString& text,
                                   const QString& undoNote) {
  FUndoStack->push(new TPresetStep(*this, std::move(changes), text, undoNote));
}

void TChannelOwner::SendStrings(std::span<const preset::Bytes> strings) {
  for (const preset::Bytes& string : strings) {
    FEngine.SendSysex(string);
  }
}

// ---- Whole presets ----

void TChannelOwner::Replace(int channelIndex, const preset::tMrv& image, const QString& undoText,
                            const QString& undoNote) {
  RefuseWhileTransferring();
  const preset::tMrv before = At(channelIndex);
  At(channelIndex) = image;
  PushPresetStep({{channelIndex, before, image}}, undoText, undoNote);
  Untold(channelIndex);
  Changed(channelIndex, TImageChange::Preset);
}

void TChannelOwner::ReplaceAndSend(int channelIndex, const preset::tMrv& image, int presetNumber,
                                   const QString& undoText, const QString& undoNote,
                                   const QString& done) {
  RefuseWhileTransferring();
  preset::tMrv outgoing = image;
  outgoing.SetPresetNumber(presetNumber);
  FEngine.SendSysex(outgoing.BuildDump());
  FTransfers.ReportSent(done, channelIndex);
  const preset::tMrv before = At(channelIndex);
  At(channelIndex) = image;
  PushPresetStep({{channelIndex, before, image}}, undoText, undoNote);
  Changed(channelIndex, TImageChange::Preset);
}

void TChannelOwner::Adopt(int channelIndex, const preset::tMrv& image, const QString& undoText) {
  RefuseWhileTransferring();
  if (SameImage(At(channelIndex), image)) {
    return;
  }
  const preset::tMrv before = At(channelIndex);
  At(channelIndex) = image;
  PushPresetStep({{channelIndex, before, image}}, undoText, QString());
  SetMark(channelIndex, false);
  Changed(channelIndex, TImageChange::Preset);
}

void TChannelOwner::Load(int channelIndex, std::span<const std::uint8_t> bytes,
                         const QString& source, const QString& undoText) {
  RefuseWhileTransferring();
  preset::CheckPresetBytes(bytes, source.toStdString());
  preset::tMrv image;
  image.LoadPresetFromBytes(bytes);
  Replace(channelIndex, image, undoText);
  Tell(observers.presetLoaded, channelIndex);
}

void TChannelOwner::ReplaceSeveral(const std::vector<std::pair<int, preset::tMrv>>& images,
                                   const QString& undoText) {
  RefuseWhileTransferring();
  std::vector<TPresetChange> changes;
  for (const auto& [channelIndex, image] : images) {
    if (!SameImage(At(channelIndex), image)) {
      changes.push_back({channelIndex, At(channelIndex), image});
    }
  }
  if (changes.empty()) {
    return;
  }
  for (const TPresetChange& change : changes) {
    At(change.channelIndex) = change.after;
  }
  PushPresetStep(changes, undoText, QString());
  for (const TPresetChange& change : changes) {
    Untold(change.channelIndex);
    Changed(change.channelIndex, TImageChange::Preset);
  }
}

void TChannelOwner::Change(int channelIndex, const QString& undoText,
                           const std::function<void(preset::tMrv& image)>& change) {
  RefuseWhileTransferring();
  preset::tMrv after = At(channelIndex);
  change(after);
  Replace(channelIndex, after, undoText);
}

void TChannelOwner::StartFrom(const preset::tMrv& image) {
  RefuseWhileTransferring();
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    At(channelIndex) = image;
    SetMark(channelIndex, false);
    Changed(channelIndex, TImageChange::Preset);
  }
}

void TChannelOwner::BringBack(std::span<const preset::tMrv, kChannelCount> images) {
  RefuseWhileTransferring();
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    At(channelIndex) = images[static_cast<std::size_t>(channelIndex)];
    // Whatever the module holds now, it was not told of these.
    Untold(channelIndex);
    Changed(channelIndex, TImageChange::Preset);
  }
}

void TChannelOwner::SetPresetNumber(int channelIndex, int presetNumber) {
  At(channelIndex).SetPresetNumber(presetNumber);
}

// ---- Edits ----

TChannelOwner::TEditRecording::TEditRecording(TChannelOwner& owner, int channelIndex,
                                              const QString& label, TGesture gesture)
    : FOwner(owner), FStep(nullptr) {
  owner.RefuseWhileTransferring();
  FStep = new TParameterStep(owner, channelIndex, label, gesture);
  owner.FOpenStep = FStep;
}

TChannelOwner::TEditRecording::~TEditRecording() {
  FOwner.FOpenStep = nullptr;
  // Values written as they were (a click, a drag back to its start) leave nothing to undo, and
  // the steps to redo stay. A gesture's later step merges even so: its earlier steps changed
  // values that this one brings back.
  if (FStep->IsEmpty() || (!FStep->ChangesAValue() && !FStep->Continues(FOwner.FUndoStack->command(
                                                          FOwner.FUndoStack->index() - 1)))) {
    delete FStep;
    return;
  }
  FStep->NameFromWrites();
  FOwner.FUndoStack->push(FStep);
}

void TChannelOwner::WriteParameter(int channelIndex, preset::ParamNumber param, int layer,
                                   int presetNumber, int value) {
  RefuseWhileTransferring();
  const std::array<preset::Bytes, 3> strings{
      preset::PresetSelectMessage(presetNumber),
      preset::LayerSelectMessage(preset::LayerIndexFor(layer)),
      preset::ParameterEditMessage(param, value)};
  preset::tMrv& image = At(channelIndex);
  if (FOpenStep != nullptr) {
    const int oldValue = image.ReadParam(preset::GroupOf(param.high), param.low, layer);
    FOpenStep->Add({param, layer, presetNumber, oldValue, value});
  }
  image.WriteParam(preset::GroupOf(param.high), param.low, layer, value);
  SendStrings(strings);
  Changed(channelIndex, TImageChange::Edit);
}

void TChannelOwner::WriteName(int channelIndex, int presetNumber, std::string_view name) {
  RefuseWhileTransferring();
  const std::vector<preset::Bytes> strings = preset::RenameMessages(name, presetNumber);
  preset::tMrv& image = At(channelIndex);
  const std::string oldName = image.ReadName();
  image.WriteName(name);
  FUndoStack->push(new TRenameStep(*this, channelIndex, presetNumber, oldName, std::string(name)));
  SendStrings(strings);
  Changed(channelIndex, TImageChange::Edit);
}

// ---- Sending ----

void TChannelOwner::SendMessages(std::span<const preset::Bytes> strings, const QString& done) {
  RefuseWhileTransferring();
  SendStrings(strings);
  if (!done.isEmpty()) {
    FTransfers.ReportSent(done, std::nullopt);
  }
}

void TChannelOwner::SendPreset(int channelIndex, int presetNumber, const QString& done) {
  RefuseWhileTransferring();
  preset::tMrv& image = At(channelIndex);
  image.SetPresetNumber(presetNumber);
  FEngine.SendSysex(image.BuildDump());
  FTransfers.ReportSent(done, channelIndex);
}

void TChannelOwner::SendImage(const preset::tMrv& image, int presetNumber, const QString& done) {
  RefuseWhileTransferring();
  // A copy: sending must not change the checksums or the preset number the image keeps.
  preset::tMrv outgoing = image;
  outgoing.SetPresetNumber(presetNumber);
  FEngine.SendSysex(outgoing.BuildDump());
  if (!done.isEmpty()) {
    FTransfers.ReportSent(done, std::nullopt);
  }
}

void TChannelOwner::SendInPlace(int channelIndex, const preset::tMrv& image, int presetNumber,
                                const QString& done) {
  SendImage(image, presetNumber, done);
  const auto index = static_cast<std::size_t>(channelIndex);
  if (!FInPlace.at(index)) {
    FInPlace.at(index) = TInPlace{FMarked.at(index), FUntold.at(index)};
  }
  SetMark(channelIndex, true);
}

void TChannelOwner::SendBack(int channelIndex, int presetNumber, const QString& done) {
  RefuseWhileTransferring();
  const auto index = static_cast<std::size_t>(channelIndex);
  preset::tMrv outgoing = At(channelIndex);
  outgoing.SetPresetNumber(presetNumber);
  FEngine.SendSysex(outgoing.BuildDump());
  const std::optional<TInPlace> before = std::exchange(FInPlace.at(index), std::nullopt);
  FTransfers.ReportSent(done, std::nullopt, [this, channelIndex, index, before] {
    if (before && FUntold.at(index) == before->untold) {
      SetMark(channelIndex, before->marked);
    }
  });
}

// ---- Undo and redo ----

void TChannelOwner::Undo() {
  RefuseWhileTransferring();
  FUndoStack->undo();
}

void TChannelOwner::Redo() {
  RefuseWhileTransferring();
  FUndoStack->redo();
}

void TChannelOwner::ShowFirst(std::span<const int> channelIndexes) {
  if (channelIndexes.empty() || !ShownChannelIndex || !ShowChannel ||
      std::ranges::find(channelIndexes, ShownChannelIndex()) != channelIndexes.end()) {
    return;
  }
  ShowChannel(channelIndexes.front());
}

void TChannelOwner::ApplyWrite(int channelIndex, preset::ParamNumber param, int layer,
                               int presetNumber, int value) {
  At(channelIndex).WriteParam(preset::GroupOf(param.high), param.low, layer, value);
  FEngine.SendSysex(preset::PresetSelectMessage(presetNumber));
  FEngine.SendSysex(preset::LayerSelectMessage(preset::LayerIndexFor(layer)));
  FEngine.SendSysex(preset::ParameterEditMessage(param, value));
}

void TChannelOwner::ApplyName(int channelIndex, int presetNumber, std::string_view name) {
  const std::vector<preset::Bytes> strings = preset::RenameMessages(name, presetNumber);
  At(channelIndex).WriteName(name);
  SendStrings(strings);
}

void TChannelOwner::ApplyImages(const std::vector<TPresetChange>& changes, bool forward) {
  for (const TPresetChange& change : changes) {
    At(change.channelIndex) = forward ? change.after : change.before;
  }
  for (const TPresetChange& change : changes) {
    Untold(change.channelIndex);
    Changed(change.channelIndex, TImageChange::Preset);
  }
}

// ---- A transfer's own changes ----

void TChannelOwner::LoadReceived(TTransferKey /*key*/, int channelIndex,
                                 std::span<const std::uint8_t> dump, const QString& undoText) {
  const preset::tMrv before = At(channelIndex);
  At(channelIndex).LoadPresetFromBytes(dump);
  if (!undoText.isEmpty()) {
    PushPresetStep({{channelIndex, before, At(channelIndex)}}, undoText, QString());
  }
  SetMark(channelIndex, false);
  Changed(channelIndex, TImageChange::Received);
}

void TChannelOwner::RecordReceived(TTransferKey /*key*/, std::vector<TPresetChange> changes,
                                   const QString& undoText) {
  PushPresetStep(std::move(changes), undoText, QString());
}

preset::Bytes TChannelOwner::DumpToSend(TTransferKey /*key*/, int channelIndex, int presetNumber) {
  preset::tMrv& image = At(channelIndex);
  image.SetPresetNumber(presetNumber);
  return image.BuildDump();
}

}  // namespace morvane::editor
