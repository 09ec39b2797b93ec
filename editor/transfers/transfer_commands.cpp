#include <QCheckBox>
#include <cstdint>

#include "data_files.h"
#include "file_dialog.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

constexpr int kQuestionKind = 1;

const char* const kInitializeQuestion = "initialize?";
const char* const kRequestQuestion = "This will replace patch on current channel. Continue?";
const char* const kSendQuestion = "send?";
const char* const kCopyQuestion = "copy?";

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
  if (!Confirm(kInitializeQuestion)) {
    return;
  }
  // The file is read once: the channel's image then cannot be left empty by a second read
  // that fails, and what is sent is what the image gets.
  preset::tMrv initial;
  initial.LoadPreset(LocalFileName(DataFilePath(ProgramDirectory(), kInitialPresetFile)));
  {
    preset::tMrv outgoing = initial;
    outgoing.SetPresetNumber(PresetNumber());
    const preset::Bytes dump = outgoing.BuildDump();
    setWindowTitle(DumpCaption(dump));
    engine.SendSysex(dump);
  }
  const int channelIndex = CurrentChannelIndex();
  initial.SetPresetNumber(channelIndex);
  const preset::tMrv before = images.at(static_cast<std::size_t>(channelIndex));
  images.at(static_cast<std::size_t>(channelIndex)) = std::move(initial);
  RecordPresetChange(channelIndex, before, QStringLiteral("Initialize"));
  RefreshControls();
  ChannelSent(channelIndex);
}

void TForm1::RequestPatchonCurrentChannel1Click() {
  if (!Confirm(kRequestQuestion)) {
    return;
  }
  MidiInput1.ClosePort();
  // No choice (-1) becomes an id beyond every device, which the port refuses with its error.
  MidiInput1.SetDeviceID(static_cast<std::uint16_t>(midiin->currentIndex()));
  MidiInput1.OpenPort();
  MidiInput1.StartInput();
  receiveBuffer.Clear();
  engine.SendSysex(preset::DumpRequestMessage(PresetNumber()));
  WatchRequestedDump();
}

void TForm1::SendCurrentChannel1Click() {
  if (!Confirm(kSendQuestion)) {
    return;
  }
  preset::tMrv& image = images.at(static_cast<std::size_t>(CurrentChannelIndex()));
  image.SetPresetNumber(PresetNumber());
  engine.SendSysex(image.BuildDump());
  ChannelSent(CurrentChannelIndex());
}

void TForm1::Loadoncurrentchannel1Click() {
  if (!OpenDialog1->Execute(this)) {
    return;
  }
  const int channelIndex = CurrentChannelIndex();
  const preset::tMrv before = images.at(static_cast<std::size_t>(channelIndex));
  LoadPresetFile(channelIndex, OpenDialog1->FileName());
  RecordPresetChange(channelIndex, before, QStringLiteral("Load"));
  SendCurrentChannel1Click();
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
  if (!Confirm(kCopyQuestion)) {
    return;
  }
  const int sourceLayerIndex = copyfrom->ItemIndex();
  const int targetLayerIndex = copyto->ItemIndex();
  const int presetNumber = PresetNumber();
  engine.SendSysex(
      preset::LayerCopyMessage(presetNumber, sourceLayerIndex, presetNumber, targetLayerIndex));
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
