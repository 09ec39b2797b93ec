#pragma once

#include <QObject>
#include <optional>

class QAction;
class QPushButton;

namespace morvane::editor {

class TChannelReferences;
class TForm1;

// A/B against the reference: "Hear reference" puts the current channel's reference into the
// module's edit buffer while it is on, and the edited version back when it goes off; "Revert to
// reference" makes the reference the channel's preset; "Compare with Reference" lists what
// differs. The image never changes by hearing, and every send goes through the channel owner.
//
// The reference sounds until it is switched off, another channel is shown, the heard channel's
// image changes (an edit, an undo, a load), a transfer starts or the window closes: each first
// sends the edited version back, so that the module never keeps the reference unnoticed.
class THearReference final : public QObject {
  Q_OBJECT

 public:
  THearReference(TForm1& form, const TChannelReferences& references);

  QAction* HearReference1 = nullptr;
  QAction* RevertToReference1 = nullptr;
  QAction* CompareWithReference1 = nullptr;
  // On the status bar: checked and captioned "ref" while the reference sounds.
  QPushButton* hearref = nullptr;

  // The channel whose reference sounds, if any.
  std::optional<int> Heard() const { return FHeard; }
  // Sends the edited version back, if a reference sounds.
  void End();

 private:
  void HearReference1Toggled(bool on);
  void RevertToReference1Click();
  void CompareWithReference1Click();
  void Show();

  TForm1& FForm;
  const TChannelReferences& FReferences;
  std::optional<int> FHeard;
};

}  // namespace morvane::editor
