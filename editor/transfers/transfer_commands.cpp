#include <QCheckBox>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "channel_owner.h"
#include "data_files.h"
#include "file_dialog.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

constexpr int kQuestionKind = 1;

const char* const kInitializeQuestion = "initialize?";
const char* const kRequestQuestion = "This will replace patch on current channel. Continue?";
const char* const kSendQuestion = "send?";
const char* const kCopyQuestion = "copy?";
const char* const kInitializeAllQuestion =
    "This will replace the presets on all 16 channels with the initial preset. Continue?";
const QString kModuleKeepsInitialPreset =
    QStringLiteral("The module keeps the initial preset until you send this one");

// The dump's length, then its preset number bytes, run together: what went out at a glance.
QString DumpCaption(const preset::Bytes& dump) {
  return QString::number(dump.size()) + QString::number(dump.at(preset::kPresetNumberOffset)) +
         QString::number(dump.at(preset::kPresetNumberOffset + 1));
}

}  // namespace

int TForm1::CurrentChannelIndex() const {
  return channel->ItemIndex();
}

bool TForm1::Confirm(const char* question) {
  FChannels->RefuseWhileTransferring();
  return engine.AskUser(question, kQuestionKind);
}

preset::tMrv TForm1::InitialPreset() const {
  preset::tMrv initial;
  initial.LoadPreset(LocalFileName(DataFilePath(ProgramDirectory(), kInitialPresetFile)));
  return initial;
}

void TForm1::Initialize1Click() {
  if (!Confirm(kInitializeQuestion)) {
    return;
  }
  // The file is read once: the channel's image then cannot be left empty by a second read
  // that fails, and what is sent is what the image gets.
  preset::tMrv initial = InitialPreset();
  const int channelIndex = CurrentChannelIndex();
  const int presetNumber = PresetNumber();
  preset::tMrv outgoing = initial;
  outgoing.SetPresetNumber(presetNumber);
  setWindowTitle(DumpCaption(outgoing.BuildDump()));
  initial.SetPresetNumber(channelIndex);
  FChannels->ReplaceAndSend(channelIndex, initial, presetNumber, QStringLiteral("Initialize"),
                            kModuleKeepsInitialPreset,
                            QStringLiteral("Initialized channel %1 and sent it to %2")
                                .arg(channelIndex + 1)
                                .arg(ModulePresetName(presetNumber)));
}

void TForm1::RequestPatchonCurrentChannel1Click() {
  if (!Confirm(kRequestQuestion)) {
    return;
  }
  FTransfers->StartRequest(PresetNumber());
}

void TForm1::SendCurrentChannel1Click() {
  if (!Confirm(kSendQuestion)) {
    return;
  }
  const int channelIndex = CurrentChannelIndex();
  FChannels->SendPreset(channelIndex, PresetNumber(),
                        QStringLiteral("Sent channel %1 to %2")
                            .arg(channelIndex + 1)
                            .arg(ModulePresetName(PresetNumber())));
}

// Refused, while a transfer runs, once a file is chosen: by then the transfer may be over.
void TForm1::Loadoncurrentchannel1Click() {
  if (!OpenDialog1->Execute(this)) {
    return;
  }
  if (LoadPresetFile(CurrentChannelIndex(), OpenDialog1->FileName(), QStringLiteral("Load")) ==
      TFileLoad::Preset) {
    SendCurrentChannel1Click();
  }
}

void TForm1::SaveCurrentChannel1Click() {
  if (!SaveDialog1->Execute(this)) {
    return;
  }
  FChannels->SetPresetNumber(CurrentChannelIndex(), PresetNumber());
  FChannels->Image(CurrentChannelIndex()).SavePreset(LocalFileName(SaveDialog1->FileName()));
  FTransfers->ReportSaved(CurrentChannelIndex());
}

void TForm1::copytoClick() {
  if (!Confirm(kCopyQuestion)) {
    return;
  }
  const int sourceLayerIndex = copyfrom->ItemIndex();
  const int targetLayerIndex = copyto->ItemIndex();
  const int presetNumber = PresetNumber();
  const preset::Bytes message =
      preset::LayerCopyMessage(presetNumber, sourceLayerIndex, presetNumber, targetLayerIndex);
  FChannels->SendMessages(std::span(&message, 1), QStringLiteral("Copied layer %1 to %2 in %3")
                                                      .arg(sourceLayerIndex + 1)
                                                      .arg(targetLayerIndex + 1)
                                                      .arg(ModulePresetName(presetNumber)));
  FChannels->Change(
      CurrentChannelIndex(),
      QStringLiteral("Copy layer %1 to %2").arg(sourceLayerIndex + 1).arg(targetLayerIndex + 1),
      [&](preset::tMrv& image) {
        image.CopyLayerParams(sourceLayerIndex + 1, targetLayerIndex + 1);
      });
  SendCurrentChannel1Click();
}

void TForm1::InitializeAllChannels1Click() {
  if (!Confirm(kInitializeAllQuestion)) {
    return;
  }
  const preset::tMrv initial = InitialPreset();
  std::vector<std::pair<int, preset::tMrv>> images;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    images.emplace_back(channelIndex, initial);
  }
  FChannels->ReplaceSeveral(images, QStringLiteral("Initialize All Channels"));
}

}  // namespace morvane::editor
