#pragma once

#include <QString>
#include <QUndoCommand>
#include <span>
#include <string>
#include <vector>

#include "preset/module_messages.h"
#include "preset/tmrv.h"
#include "preset_change.h"

namespace morvane::controls {
class Tdragger;
}  // namespace morvane::controls

namespace morvane::editor {

class TForm1;

// One step of the window's undo stack. The stack runs redo() when a step is pushed; the edit
// has already been made and sent by then, so that first call does nothing. Errors end the
// undo or redo in the application's error box and never unwind through the toolkit.
class TUndoStep : public QUndoCommand {
 public:
  explicit TUndoStep(TForm1& form) : FForm(form) {}
  void undo() final;
  void redo() final;

 protected:
  // Makes the image and the module what they were before the step (forward false) or after.
  virtual void Apply(bool forward) = 0;
  // Shows the channel of the step first, unless the window shows one of them already, so that
  // the user sees what the undo or redo changes.
  void ShowChannel(std::span<const int> channelIndexes);
  TForm1& FForm;

 private:
  bool FPushed = false;
};

// One value written by an edit: the layer (0 = the preset-wide block, 1..4) and the preset
// number its strings carried, the value it replaced and the value it wrote.
struct TParameterWrite {
  preset::ParamNumber param;
  int layer;
  int presetNumber;
  int oldValue;
  int newValue;
};

// What the steps of one gesture on a value control share: the edits sent while dragging and
// the release that ends the drag are one step.
struct TGesture {
  const void* control = nullptr;
  int number = 0;
  bool operator==(const TGesture&) const = default;
};

// A value control's release, an instrument choice or a generic-list entry on one channel:
// undo and redo write each value back and send it as the edit did, layer by layer.
class TParameterStep final : public TUndoStep {
 public:
  static constexpr int kGestureStepId = 1;

  TParameterStep(TForm1& form, int channelIndex, QString label, TGesture gesture = {});
  // A value written again keeps the value it first replaced.
  void Add(const TParameterWrite& write);
  bool IsEmpty() const { return FWrites.empty(); }
  // "vol on layers 2, 4", from the label and the layers written.
  void NameFromWrites();

  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

 private:
  void Apply(bool forward) override;

  int FChannelIndex;
  QString FLabel;
  TGesture FGesture;
  std::vector<TParameterWrite> FWrites;
};

// The preset name entered on one channel.
class TRenameStep final : public TUndoStep {
 public:
  TRenameStep(TForm1& form, int channelIndex, int presetNumber, std::string oldName,
              std::string newName);

 private:
  void Apply(bool forward) override;

  int FChannelIndex;
  int FPresetNumber;
  std::string FOldName;
  std::string FNewName;
};

// Whole presets replaced in the editor (Initialize, Load, a drop, a received dump, Copy, a
// bank, Request All). Undo and redo change the editor's images only: the module keeps what it
// has until Send, which the status bar says, in undoNote's words after an undo when given.
class TPresetStep final : public TUndoStep {
 public:
  TPresetStep(TForm1& form, std::vector<TPresetChange> changes, const QString& text,
              QString undoNote);

 private:
  void Apply(bool forward) override;

  std::vector<TPresetChange> FChanges;
  QString FUndoNote;
};

// Opens a parameter step for the edit running in its scope; every value that SendParameter or
// the generic list writes meanwhile joins it, and the step goes on the undo stack at the end of
// the scope if anything was written, also when the edit stopped half-way on an error.
class TEditRecording {
 public:
  // source: the value control whose gesture made the edit, if one did.
  TEditRecording(TForm1& form, const QString& label, const controls::Tdragger* source = nullptr);
  ~TEditRecording();
  TEditRecording(const TEditRecording&) = delete;
  TEditRecording& operator=(const TEditRecording&) = delete;

 private:
  TForm1& FForm;
  TParameterStep* FStep;
};

}  // namespace morvane::editor
