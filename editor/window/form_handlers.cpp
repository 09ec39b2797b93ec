#include <QCoreApplication>

#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

constexpr int kInformationKind = 0;

const std::string kAboutTitle = "Morvane editor\n";
const std::string kAboutCredits =
    "by the Morvane editor developers\n"
    "website=https://morvane-editor.example.org\n"
    "email=morvane-editor@example.org";

}  // namespace

void TForm1::channelClick() {
  engine.SetChannel(channel->ItemIndex());
  RefreshControls();
}

void TForm1::layerClick() {
  RefreshControls();
}

void TForm1::PageControl1Change() {
  RefreshControls();
}

void TForm1::velMouseUp(controls::Tdragger* sender, Qt::MouseButton /*button*/,
                        Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  engine.SetVelocity(sender->Position());
  if (settings) {
    settings->WriteInteger(kVelocitySetting, sender->Position());
  }
}

void TForm1::velrndMouseUp(controls::Tdragger* sender, Qt::MouseButton /*button*/,
                           Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  engine.SetVelRnd(sender->Position());
  if (settings) {
    settings->WriteInteger(kVelRndSetting, sender->Position());
  }
}

void TForm1::Panic1Click() {
  engine.AllSoundOff();
}

void TForm1::About1Click() {
  const std::string version =
      "version " + QCoreApplication::applicationVersion().toStdString() + "\n";
  engine.AskUser(kAboutTitle + version + kAboutCredits, kInformationKind);
}

}  // namespace morvane::editor
