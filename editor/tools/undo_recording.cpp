#include <QUndoStack>
#include <utility>

#include "tform1.h"
#include "undo_steps.h"

namespace morvane::editor {

void TForm1::NoteParameterWrite(preset::tMrv& image, preset::ParamNumber param, int layer,
                                int presetNumber, int value) {
  if (FOpenStep == nullptr) {
    return;
  }
  const int oldValue = image.ReadParam(preset::GroupOf(param.high), param.low, layer);
  FOpenStep->Add({param, layer, presetNumber, oldValue, value});
}

void TForm1::RecordRename(int channelIndex, int presetNumber, const std::string& oldName,
                          const std::string& newName) {
  undoStack->push(new TRenameStep(*this, channelIndex, presetNumber, oldName, newName));
}

void TForm1::RecordPresetChange(int channelIndex, const preset::tMrv& before, const QString& text,
                                const QString& undoNote) {
  std::vector<TPresetChange> changes{
      {channelIndex, before, images.at(static_cast<std::size_t>(channelIndex))}};
  undoStack->push(new TPresetStep(*this, std::move(changes), text, undoNote));
}

void TForm1::RecordPresetChanges(std::vector<TPresetChange> changes, const QString& text) {
  undoStack->push(new TPresetStep(*this, std::move(changes), text, QString()));
}

}  // namespace morvane::editor
