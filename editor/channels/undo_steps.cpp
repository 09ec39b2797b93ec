#include "undo_steps.h"

#include <QStringList>
#include <algorithm>
#include <utility>

#include "handler_guard.h"

namespace morvane::editor {

namespace {

const QString kModuleKeepsPreset =
    QStringLiteral("The module keeps its preset until you send this one");
const QString kModuleKeepsPresets =
    QStringLiteral("The module keeps its presets until you send these ones");

}  // namespace

void TUndoStep::undo() {
  RunGuarded([this] { Apply(false); });
}

void TUndoStep::redo() {
  if (!std::exchange(FPushed, true)) {
    return;
  }
  RunGuarded([this] { Apply(true); });
}

TParameterStep::TParameterStep(TChannelOwner& owner, int channelIndex, QString label,
                               TGesture gesture)
    : TUndoStep(owner), FChannelIndex(channelIndex), FLabel(std::move(label)), FGesture(gesture) {}

void TParameterStep::Add(const TParameterWrite& write) {
  for (TParameterWrite& earlier : FWrites) {
    if (earlier.param.low == write.param.low && earlier.param.high == write.param.high &&
        earlier.layer == write.layer && earlier.presetNumber == write.presetNumber) {
      earlier.newValue = write.newValue;
      return;
    }
  }
  FWrites.push_back(write);
}

bool TParameterStep::ChangesAValue() const {
  return std::ranges::any_of(
      FWrites, [](const TParameterWrite& write) { return write.oldValue != write.newValue; });
}

int TParameterStep::id() const {
  return FGesture.control != nullptr ? kGestureStepId : -1;
}

bool TParameterStep::Continues(const QUndoCommand* earlier) const {
  const auto* step = dynamic_cast<const TParameterStep*>(earlier);
  return step != nullptr && id() == kGestureStepId && step->FGesture == FGesture &&
         step->FChannelIndex == FChannelIndex;
}

bool TParameterStep::mergeWith(const QUndoCommand* other) {
  const auto* later = dynamic_cast<const TParameterStep*>(other);
  if (later == nullptr || !later->Continues(this)) {
    return false;
  }
  for (const TParameterWrite& write : later->FWrites) {
    Add(write);
  }
  NameFromWrites();
  // The gesture came back to where it began: the stack drops the step.
  setObsolete(!ChangesAValue());
  return true;
}

void TParameterStep::NameFromWrites() {
  QStringList layers;
  for (const TParameterWrite& write : FWrites) {
    if (write.layer != 0) {
      layers << QString::number(write.layer);
    }
  }
  if (layers.isEmpty()) {
    setText(FLabel);
  } else if (layers.size() == 1) {
    setText(QStringLiteral("%1 on layer %2").arg(FLabel, layers.front()));
  } else {
    setText(QStringLiteral("%1 on layers %2").arg(FLabel, layers.join(QStringLiteral(", "))));
  }
}

void TParameterStep::Apply(bool forward) {
  FOwner.ShowFirst(std::span(&FChannelIndex, 1));
  for (const TParameterWrite& write : FWrites) {
    FOwner.ApplyWrite(FChannelIndex, write.param, write.layer, write.presetNumber,
                      forward ? write.newValue : write.oldValue);
  }
  FOwner.Changed(FChannelIndex, TImageChange::Preset);
}

TRenameStep::TRenameStep(TChannelOwner& owner, int channelIndex, int presetNumber,
                         std::string oldName, std::string newName)
    : TUndoStep(owner),
      FChannelIndex(channelIndex),
      FPresetNumber(presetNumber),
      FOldName(std::move(oldName)),
      FNewName(std::move(newName)) {
  setText(QStringLiteral("rename"));
}

void TRenameStep::Apply(bool forward) {
  FOwner.ShowFirst(std::span(&FChannelIndex, 1));
  FOwner.ApplyName(FChannelIndex, FPresetNumber, forward ? FNewName : FOldName);
  FOwner.Changed(FChannelIndex, TImageChange::Preset);
}

TPresetStep::TPresetStep(TChannelOwner& owner, std::vector<TPresetChange> changes,
                         const QString& text, QString undoNote)
    : TUndoStep(owner), FChanges(std::move(changes)), FUndoNote(std::move(undoNote)) {
  setText(text);
}

void TPresetStep::Apply(bool forward) {
  std::vector<int> channelIndexes;
  for (const TPresetChange& change : FChanges) {
    channelIndexes.push_back(change.channelIndex);
  }
  FOwner.ShowFirst(channelIndexes);
  FOwner.ApplyImages(FChanges, forward);
  if (FOwner.ShowStatus) {
    const QString& usual = FChanges.size() == 1 ? kModuleKeepsPreset : kModuleKeepsPresets;
    FOwner.ShowStatus(!forward && !FUndoNote.isEmpty() ? FUndoNote : usual);
  }
}

}  // namespace morvane::editor
