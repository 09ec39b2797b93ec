#include "undo_steps.h"

#include <QStatusBar>
#include <QStringList>
#include <QUndoStack>
#include <algorithm>
#include <utility>

#include "handler_guard.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"

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

void TUndoStep::ShowChannel(std::span<const int> channelIndexes) {
  if (channelIndexes.empty() ||
      std::ranges::find(channelIndexes, FForm.CurrentChannelIndex()) != channelIndexes.end()) {
    return;
  }
  FForm.channel->setItemIndex(channelIndexes.front());
}

TParameterStep::TParameterStep(TForm1& form, int channelIndex, QString label, TGesture gesture)
    : TUndoStep(form), FChannelIndex(channelIndex), FLabel(std::move(label)), FGesture(gesture) {}

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

int TParameterStep::id() const {
  return FGesture.control != nullptr ? kGestureStepId : -1;
}

bool TParameterStep::mergeWith(const QUndoCommand* other) {
  const auto* later = dynamic_cast<const TParameterStep*>(other);
  if (later == nullptr || later->FGesture != FGesture || later->FChannelIndex != FChannelIndex) {
    return false;
  }
  for (const TParameterWrite& write : later->FWrites) {
    Add(write);
  }
  NameFromWrites();
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
  ShowChannel(std::span(&FChannelIndex, 1));
  preset::tMrv& image = FForm.images.at(static_cast<std::size_t>(FChannelIndex));
  for (const TParameterWrite& write : FWrites) {
    const int value = forward ? write.newValue : write.oldValue;
    image.WriteParam(preset::GroupOf(write.param.high), write.param.low, write.layer, value);
    FForm.engine.SendSysex(preset::PresetSelectMessage(write.presetNumber));
    FForm.engine.SendSysex(preset::LayerSelectMessage(preset::LayerIndexFor(write.layer)));
    FForm.engine.SendSysex(preset::ParameterEditMessage(write.param, value));
  }
  FForm.RefreshControls();
}

TRenameStep::TRenameStep(TForm1& form, int channelIndex, int presetNumber, std::string oldName,
                         std::string newName)
    : TUndoStep(form),
      FChannelIndex(channelIndex),
      FPresetNumber(presetNumber),
      FOldName(std::move(oldName)),
      FNewName(std::move(newName)) {
  setText(QStringLiteral("rename"));
}

void TRenameStep::Apply(bool forward) {
  const std::string& name = forward ? FNewName : FOldName;
  const std::vector<preset::Bytes> strings = preset::RenameMessages(name, FPresetNumber);
  ShowChannel(std::span(&FChannelIndex, 1));
  FForm.images.at(static_cast<std::size_t>(FChannelIndex)).WriteName(name);
  for (const preset::Bytes& string : strings) {
    FForm.engine.SendSysex(string);
  }
  FForm.RefreshControls();
}

TPresetStep::TPresetStep(TForm1& form, std::vector<TPresetChange> changes, const QString& text,
                         QString undoNote)
    : TUndoStep(form), FChanges(std::move(changes)), FUndoNote(std::move(undoNote)) {
  setText(text);
}

void TPresetStep::Apply(bool forward) {
  std::vector<int> channelIndexes;
  for (const TPresetChange& change : FChanges) {
    channelIndexes.push_back(change.channelIndex);
  }
  ShowChannel(channelIndexes);
  for (const TPresetChange& change : FChanges) {
    FForm.images.at(static_cast<std::size_t>(change.channelIndex)) =
        forward ? change.after : change.before;
  }
  FForm.RefreshControls();
  for (const TPresetChange& change : FChanges) {
    FForm.ChannelChanged(change.channelIndex);
  }
  const QString& usual = FChanges.size() == 1 ? kModuleKeepsPreset : kModuleKeepsPresets;
  FForm.StatusBar1->showMessage(!forward && !FUndoNote.isEmpty() ? FUndoNote : usual);
}

TEditRecording::TEditRecording(TForm1& form, const QString& label, const controls::Tdragger* source)
    : FForm(form),
      FStep(new TParameterStep(
          form, form.CurrentChannelIndex(), label,
          source != nullptr ? TGesture{source, source->GestureNumber()} : TGesture{})) {
  FForm.FOpenStep = FStep;
}

TEditRecording::~TEditRecording() {
  FForm.FOpenStep = nullptr;
  if (FStep->IsEmpty()) {
    delete FStep;
    return;
  }
  FStep->NameFromWrites();
  FForm.undoStack->push(FStep);
}

}  // namespace morvane::editor
