#include <QCheckBox>
#include <cstdint>
#include <optional>

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
  return engine.AskUser(question, kQuestionKind);
}

void TForm1::Initialize1Click() {
  FTransfers->RefuseWhileRunning();
  if (!Confirm(kInitializeQuestion)) {
    return;
  }
  FTransfers->BeginCommand();
  // The file is read once: the channel's image then cannot be left empty by a second read
  // that fails, and what is sent is what the image gets.
  preset::tMrv initial;
  initial.LoadPreset(LocalFileName(DataFilePath(ProgramDirectory(), kInitialPresetFile)));
  const int channelIndex = CurrentChannelIndex();
  {
    preset::tMrv outgoing = initial;
    outgoing.SetPresetNumber(PresetNumber());
    const preset::Bytes dump = outgoing.BuildDump();
    setWindowTitle(DumpCaption(dump));
    engine.SendSysex(dump);
    FTransfers->ReportSent(QStringLiteral("Initialized channel %1 and sent it to %2")
                               .arg(channelIndex + 1)
                               .arg(ModulePresetName(PresetNumber())),
                           channelIndex);
  }
  initial.SetPresetNumber(channelIndex);
  const preset::tMrv before = images.at(static_cast<std::size_t>(channelIndex));
  images.at(static_cast<std::size_t>(channelIndex)) = std::move(initial);
  RecordPresetChange(channelIndex, before, QStringLiteral("Initialize"), kModuleKeepsInitialPreset);
  RefreshControls();
}

void TForm1::RequestPatchonCurrentChannel1Click() {
  FTransfers->RefuseWhileRunning();
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
  preset::tMrv& image = images.at(static_cast<std::size_t>(channelIndex));
  image.SetPresetNumber(PresetNumber());
  engine.SendSysex(image.BuildDump());
  FTransfers->ReportSent(QStringLiteral("Sent channel %1 to %2")
                             .arg(channelIndex + 1)
                             .arg(ModulePresetName(PresetNumber())),
                         channelIndex);
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
  preset::tMrv& image = images.at(static_cast<std::size_t>(CurrentChannelIndex()));
  image.SetPresetNumber(PresetNumber());
  image.SavePreset(LocalFileName(SaveDialog1->FileName()));
}

void TForm1::copytoClick() {
  FTransfers->RefuseWhileRunning();
  if (!Confirm(kCopyQuestion)) {
    return;
  }
  FTransfers->BeginCommand();
  const int sourceLayerIndex = copyfrom->ItemIndex();
  const int targetLayerIndex = copyto->ItemIndex();
  const int presetNumber = PresetNumber();
  engine.SendSysex(
      preset::LayerCopyMessage(presetNumber, sourceLayerIndex, presetNumber, targetLayerIndex));
  FTransfers->ReportSent(QStringLiteral("Copied layer %1 to %2 in %3")
                             .arg(sourceLayerIndex + 1)
                             .arg(targetLayerIndex + 1)
                             .arg(ModulePresetName(presetNumber)),
                         std::nullopt);
  const int channelIndex = CurrentChannelIndex();
  const preset::tMrv before = images.at(static_cast<std::size_t>(channelIndex));
  images.at(static_cast<std::size_t>(channelIndex))
      .CopyLayerParams(sourceLayerIndex + 1, targetLayerIndex + 1);
  RecordPresetChange(
      channelIndex, before,
      QStringLiteral("Copy layer %1 to %2").arg(sourceLayerIndex + 1).arg(targetLayerIndex + 1));
  RefreshControls();
  ChannelChanged(channelIndex);
  SendCurrentChannel1Click();
}

}  // namespace morvane::editor
