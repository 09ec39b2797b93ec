#pragma once

#include <QString>
#include <QUndoCommand>
#include <span>
#include <string>
#include <vector>

#include "channel_owner.h"
#include "preset/module_messages.h"
#include "preset_change.h"

namespace morvane::editor {

// One step of the channel owner's undo stack. The stack runs redo() when a step is pushed; the
// change has already been made and sent by then, so that first call does nothing. The owner
// asks the transfer owner before it lets the stack move; errors end the undo or redo in the
// application's error box and never unwind through the toolkit.
class TUndoStep : public QUndoCommand {
 public:
  explicit TUndoStep(TChannelOwner& owner) : FOwner(owner) {}
  void undo() final;
  void redo() final;

 protected:
  // Makes the image and the module what they were before the step (forward false) or after.
  virtual void Apply(bool forward) = 0;
  TChannelOwner& FOwner;

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

// A value control's release, an instrument choice or a generic-list entry on one channel:
// undo and redo write each value back and send it as the edit did, layer by layer.
class TParameterStep final : public TUndoStep {
 public:
  static constexpr int kGestureStepId = 1;

  TParameterStep(TChannelOwner& owner, int channelIndex, QString label, TGesture gesture = {});
  // A value written again keeps the value it first replaced.
  void Add(const TParameterWrite& write);
  bool IsEmpty() const { return FWrites.empty(); }
  // Whether any value written differs from the one it replaced: a drag that ends where it
  // began changes nothing to undo.
  bool ChangesAValue() const;
  // Whether this step is a later part of earlier's gesture on the same channel, and merges
  // into it.
  bool Continues(const QUndoCommand* earlier) const;
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
  TRenameStep(TChannelOwner& owner, int channelIndex, int presetNumber, std::string oldName,
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
  TPresetStep(TChannelOwner& owner, std::vector<TPresetChange> changes, const QString& text,
              QString undoNote);

 private:
  void Apply(bool forward) override;

  std::vector<TPresetChange> FChanges;
  QString FUndoNote;
};

}  // namespace morvane::editor
