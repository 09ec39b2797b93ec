#include "hear_reference.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <utility>

#include "channel_owner.h"
#include "channel_references.h"
#include "handler_guard.h"
#include "parammap/value_slots.h"
#include "preset/module_messages.h"
#include "preset_delivery.h"
#include "radio_group.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

// As small as mute, so that the status bar keeps its height and most of its room.
constexpr int kButtonWidth = 48;
constexpr int kButtonHeight = 17;

const QString kEditedCaption = QStringLiteral("edited");
const QString kReferenceCaption = QStringLiteral("ref");
const QString kHearHint = QStringLiteral(
    "Hear the current channel's reference: the version last received, loaded, saved or sent. "
    "Off sends the edited version back");

QString ChannelText(int channelIndex) {
  return QStringLiteral("Channel %1").arg(channelIndex + 1);
}

}  // namespace

THearReference::THearReference(TForm1& form, const TChannelReferences& references)
    : FForm(form), FReferences(references) {
  HearReference1 = new QAction(QStringLiteral("Hear reference"), &form);
  HearReference1->setObjectName(QStringLiteral("HearReference1"));
  HearReference1->setCheckable(true);
  HearReference1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  HearReference1->setStatusTip(kHearHint);
  ConnectGuarded(HearReference1, &QAction::triggered, this, &THearReference::HearReference1Toggled);
  RevertToReference1 = new QAction(QStringLiteral("Revert to reference"), &form);
  RevertToReference1->setObjectName(QStringLiteral("RevertToReference1"));
  RevertToReference1->setStatusTip(
      QStringLiteral("Make the reference the current channel's preset, as one step to undo"));
  ConnectGuarded(RevertToReference1, &QAction::triggered, this,
                 &THearReference::RevertToReference1Click);
  form.Edit1->addSeparator();
  form.Edit1->addActions({HearReference1, RevertToReference1});

  // The first of the comparisons, the one a musician reaches for.
  CompareWithReference1 = new QAction(QStringLiteral("Compare with Reference.."), &form);
  CompareWithReference1->setObjectName(QStringLiteral("CompareWithReference1"));
  CompareWithReference1->setStatusTip(
      QStringLiteral("List what differs between the current preset and its reference"));
  ConnectGuarded(CompareWithReference1, &QAction::triggered, this,
                 &THearReference::CompareWithReference1Click);
  form.File1->insertAction(form.CompareWithFile1, CompareWithReference1);

  // On the status bar: every other place of the window's fixed layout is taken, and the bar
  // is on show whatever page is.
  hearref = new QPushButton(kEditedCaption, form.StatusBar1);
  hearref->setObjectName(QStringLiteral("hearref"));
  hearref->setFixedSize(kButtonWidth, kButtonHeight);
  form.StatusBar1->addPermanentWidget(hearref);
  hearref->setCheckable(true);
  hearref->setToolTip(kHearHint);
  hearref->setStatusTip(kHearHint);
  hearref->setFocusPolicy(Qt::NoFocus);
  // The button shows what sounds: the action decides, and shows it on the button after.
  QObject::connect(hearref, &QPushButton::clicked, HearReference1, &QAction::trigger);

  QObject::connect(form.channel, &TRadioGroup::OnClick, this, [this] {
    RunGuarded([this] {
      if (FHeard && *FHeard != FForm.CurrentChannelIndex()) {
        End();
      }
    });
  });
  form.Transfers().observers.transferStarting.push_back([this] { End(); });
  form.Channels().observers.imageChanged.push_back([this](int channelIndex, TImageChange /*how*/) {
    if (FHeard == channelIndex) {
      End();
    }
  });
}

void THearReference::HearReference1Toggled(bool on) {
  // The action and the button show what sounds, also when the send was refused.
  struct TShown {
    THearReference& owner;
    ~TShown() { owner.Show(); }
  } shown{*this};
  if (!on) {
    End();
    return;
  }
  if (FHeard) {
    return;
  }
  const int channelIndex = FForm.CurrentChannelIndex();
  const preset::tMrv& reference = FReferences.Required(channelIndex);
  FForm.Channels().SendInPlace(
      channelIndex, reference, preset::kEditBufferPreset,
      ChannelText(channelIndex) + QStringLiteral(": the reference sounds"));
  FHeard = channelIndex;
}

void THearReference::End() {
  if (!FHeard) {
    return;
  }
  const int channelIndex = *FHeard;
  FForm.Channels().SendBack(
      channelIndex, preset::kEditBufferPreset,
      ChannelText(channelIndex) + QStringLiteral(": the edited version sounds again"));
  FHeard.reset();
  Show();
}

void THearReference::Show() {
  const bool on = FHeard.has_value();
  const QSignalBlocker blockAction(HearReference1);
  HearReference1->setChecked(on);
  hearref->setChecked(on);
  hearref->setText(on ? kReferenceCaption : kEditedCaption);
}

void THearReference::RevertToReference1Click() {
  TChannelOwner& channels = FForm.Channels();
  channels.RefuseWhileTransferring();
  const int channelIndex = FForm.CurrentChannelIndex();
  const preset::tMrv reference = FReferences.Required(channelIndex);
  DeliverPreset(channels, channelIndex, FForm.PresetNumber(), reference, parammap::AllSlots(),
                QStringLiteral("Revert to Reference"),
                ChannelText(channelIndex) + QStringLiteral(" reverted to its reference"));
  FForm.RefreshControls();
}

void THearReference::CompareWithReference1Click() {
  preset::tMrv reference = FReferences.Required(FForm.CurrentChannelIndex());
  FForm.ShowComparison(reference, QStringLiteral("its reference"));
}

}  // namespace morvane::editor
