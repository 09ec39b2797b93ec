#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

namespace {

const char* const kRequestAllQuestion =
    "This will replace the presets on all 16 channels. Continue?";
const char* const kSendAllQuestion = "Send all 16 presets to the module?";

}  // namespace

bool TForm1::RequestingAllPresets() const {
  return FTransfers->State() == TTransferOwner::TState::RequestingAll;
}

void TForm1::RequestAllPresets1Click() {
  if (!Confirm(kRequestAllQuestion)) {
    return;
  }
  FTransfers->StartRequestAll();
}

void TForm1::SendAllPresets1Click() {
  if (!Confirm(kSendAllQuestion)) {
    return;
  }
  FTransfers->StartSendAll();
}

}  // namespace morvane::editor
