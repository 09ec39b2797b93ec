#include "undo_steps.h"

#include <QStatusBar>
#include <QStringList>
#include <QUndoStack>
#include <utility>

#include "handler_guard.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kModuleKeepsPreset =
    QStringLiteral("The module keeps its preset until you send this one");

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

TParameterStep::TParameterStep(TForm1& form, int channelIndex, QString label)
    : TUndoStep(form), FChannelIndex(channelIndex), FLabel(std::move(label)) {}

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
  FForm.images.at(static_cast<std::size_t>(FChannelIndex)).WriteName(name);
  for (const preset::Bytes& string : strings) {
    FForm.engine.SendSysex(string);
  }
  FForm.RefreshControls();
}

TPresetStep::TPresetStep(TForm1& form, int channelIndex, preset::tMrv before, preset::tMrv after,
                         const QString& text)
    : TUndoStep(form),
      FChannelIndex(channelIndex),
      FBefore(std::move(before)),
      FAfter(std::move(after)) {
  setText(text);
}

void TPresetStep::Apply(bool forward) {
  FForm.images.at(static_cast<std::size_t>(FChannelIndex)) = forward ? FAfter : FBefore;
  FForm.RefreshControls();
  FForm.ChannelChanged(FChannelIndex);
  FForm.StatusBar1->showMessage(kModuleKeepsPreset);
}

TEditRecording::TEditRecording(TForm1& form, const QString& label)
    : FForm(form), FStep(new TParameterStep(form, form.CurrentChannelIndex(), label)) {
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
