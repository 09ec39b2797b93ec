#include <QUndoStack>
#include <array>

#include "data_files.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "tform1.h"

namespace morvane::editor {

void TForm1::LoadBank1Click() {
  // A transfer still running would overwrite the loaded channels.
  RefuseWhileTransferring();
  if (!OpenDialog1->Execute(this)) {
    return;
  }
  // The whole bank is read and checked before the first image changes.
  preset::Bank bank = preset::ReadBankFile(LocalFileName(OpenDialog1->FileName()));
  const std::array<preset::tMrv, kChannelCount> before = images;
  std::move(bank.begin(), bank.end(), images.begin());
  RefreshControls();
  // One step undoes the whole bank.
  undoStack->beginMacro(QStringLiteral("Load Bank"));
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    RecordPresetChange(channelIndex, before.at(static_cast<std::size_t>(channelIndex)),
                       QStringLiteral("Load Bank"));
    ChannelChanged(channelIndex);
  }
  undoStack->endMacro();
}

void TForm1::SaveBank1Click() {
  if (!SaveDialog1->Execute(this)) {
    return;
  }
  preset::WriteFileReplacing(LocalFileName(SaveDialog1->FileName()), preset::BuildBank(images));
}

}  // namespace morvane::editor
