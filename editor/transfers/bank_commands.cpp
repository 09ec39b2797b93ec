#include <utility>
#include <vector>

#include "channel_owner.h"
#include "data_files.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "tform1.h"

namespace morvane::editor {

void TForm1::LoadBank1Click() {
  // A transfer still running would overwrite the loaded channels.
  FChannels->RefuseWhileTransferring();
  if (!OpenDialog1->Execute(this)) {
    return;
  }
  LoadBankFile(OpenDialog1->FileName());
}

void TForm1::LoadBankFile(const QString& path) {
  FChannels->RefuseWhileTransferring();
  // The whole bank is read and checked before the first image changes; one step undoes it.
  const preset::Bank bank = preset::ReadBankFile(LocalFileName(path));
  std::vector<std::pair<int, preset::tMrv>> images;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    images.emplace_back(channelIndex, bank.at(static_cast<std::size_t>(channelIndex)));
  }
  FChannels->ReplaceSeveral(images, QStringLiteral("Load Bank"));
}

void TForm1::SaveBank1Click() {
  SaveBank();
}

bool TForm1::SaveBank() {
  if (!SaveDialog1->Execute(this)) {
    return false;
  }
  preset::WriteFileReplacing(LocalFileName(SaveDialog1->FileName()),
                             preset::BuildBank(FChannels->Images()));
  return true;
}

}  // namespace morvane::editor
