#include <vector>

#include "data_files.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

void TForm1::LoadBank1Click() {
  // A transfer still running would overwrite the loaded channels.
  FTransfers->RefuseWhileRunning();
  if (!OpenDialog1->Execute(this)) {
    return;
  }
  LoadBankFile(OpenDialog1->FileName());
}

void TForm1::LoadBankFile(const QString& path) {
  FTransfers->BeginCommand();
  // The whole bank is read and checked before the first image changes.
  preset::Bank bank = preset::ReadBankFile(LocalFileName(path));
  std::vector<TPresetChange> changes;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    const auto index = static_cast<std::size_t>(channelIndex);
    changes.push_back({channelIndex, images.at(index), bank.at(index)});
  }
  std::move(bank.begin(), bank.end(), images.begin());
  RefreshControls();
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    ChannelChanged(channelIndex);
  }
  // One step undoes the whole bank.
  RecordPresetChanges(std::move(changes), QStringLiteral("Load Bank"));
}

void TForm1::SaveBank1Click() {
  if (!SaveDialog1->Execute(this)) {
    return;
  }
  preset::WriteFileReplacing(LocalFileName(SaveDialog1->FileName()), preset::BuildBank(images));
}

}  // namespace morvane::editor
