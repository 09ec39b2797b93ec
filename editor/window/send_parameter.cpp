#include <QCheckBox>
#include <QStatusBar>
#include <array>
#include <stdexcept>

#include "layer_check_box.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

int TForm1::PresetNumber() const {
  return preset::PresetNumberFor(channel->ItemIndex(), buffer->isChecked());
}

preset::ParamNumber TForm1::ParamNumberOf(int low, int high) {
  constexpr int kDataByteLimit = 0x80;
  if (low < 0 || low >= kDataByteLimit || high < 0 || high >= kDataByteLimit) {
    throw std::out_of_range("Invalid parameter number");
  }
  return {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
}

void TForm1::SendParameter(int low, int high, int layer, int channelIndex, int value) {
  FChannels->WriteParameter(channelIndex, ParamNumberOf(low, high), layer,
                            preset::PresetNumberFor(channelIndex, buffer->isChecked()), value);
}

TChannelOwner::TEditRecording TForm1::RecordEdit(const QString& label,
                                                 const controls::Tdragger* source) {
  try {
    return TChannelOwner::TEditRecording(
        *FChannels, CurrentChannelIndex(), label,
        source != nullptr ? TGesture{source, source->GestureNumber()} : TGesture{});
  } catch (...) {
    RefreshControls();
    throw;
  }
}

void TForm1::SendToCheckedLayers(int low, int high, int value) {
  const std::array<TLayerCheckBox*, kLayerCount> boxes = LayerBoxes();
  for (int layerNumber = 1; layerNumber <= kLayerCount; ++layerNumber) {
    if (boxes[static_cast<std::size_t>(layerNumber - 1)]->isChecked()) {
      SendParameter(low, high, layerNumber, channel->ItemIndex(), value);
    }
  }
}

std::array<TLayerCheckBox*, TForm1::kLayerCount> TForm1::LayerBoxes() const {
  return {l1, l2, l3, l4};
}

// A string that the port refuses is reported where the user looks while editing; one box per
// string of an edit would bury the window when the port is closed. A chosen device that went
// away is named, rather than the driver's word for a missing handle.
void TForm1::ShowSendError(const std::string& text) {
  const QString closed = OutputProblem();
  const QString shown = closed.isEmpty() ? QString::fromStdString(text) : closed;
  StatusBar1->showMessage(shown);
  FTransfers->SendFailed(shown);
}

}  // namespace morvane::editor
