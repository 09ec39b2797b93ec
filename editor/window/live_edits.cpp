#include <QCheckBox>

#include "find_child.h"
#include "tdragger.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

using controls::Tdragger;

constexpr int kDefaultVelocity = 97;
constexpr int kDefaultVelRnd = 10;

}  // namespace

void TForm1::senddraggingClick() {
  ApplySendWhileDragging(senddragging->isChecked());
  settings->WriteFlag(kSendWhileDraggingSetting, senddragging->isChecked());
}

void TForm1::ApplySendWhileDragging(bool send) {
  for (const TValueControl& valueControl : FValueControls) {
    if (SendsToModule(valueControl.spec->handler)) {
      valueControl.control->setSendWhileDragging(send);
    }
  }
}

// A stored value outside a control's range is refused by the control, which keeps the
// layout's value; the keyboard player takes whatever the control shows.
void TForm1::RestoreEditingSettings() {
  const bool send = settings->ReadFlag(kSendWhileDraggingSetting, false);
  senddragging->setChecked(send);
  ApplySendWhileDragging(send);

  auto* vel = FindChildByName<Tdragger>(*this, QStringLiteral("vel"));
  auto* velrnd = FindChildByName<Tdragger>(*this, QStringLiteral("velrnd"));
  vel->setPosition(settings->ReadInteger(kVelocitySetting, kDefaultVelocity));
  velrnd->setPosition(settings->ReadInteger(kVelRndSetting, kDefaultVelRnd));
  engine.SetVelocity(vel->Position());
  engine.SetVelRnd(velrnd->Position());
}

}  // namespace morvane::editor
