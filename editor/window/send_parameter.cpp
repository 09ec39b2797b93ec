#include <QCheckBox>
#include <QStatusBar>
#include <array>
#include <stdexcept>

#include "layer_check_box.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "tform1.h"
#include "transfer_owner.h"

namespace morvane::editor {

int TForm1::PresetNumber() const {
  return preset::PresetNumberFor(channel->ItemIndex(), buffer->isChecked());
}

void TForm1::SendStrings(std::span<const preset::Bytes> strings) {
  for (const preset::Bytes& string : strings) {
    engine.SendSysex(string);
  }
}

preset::ParamNumber TForm1::ParamNumberOf(int low, int high) {
  constexpr int kDataByteLimit = 0x80;
  if (low < 0 || low >= kDataByteLimit || high < 0 || high >= kDataByteLimit) {
    throw std::out_of_range("Invalid parameter number");
  }
  return {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
}

// The strings are built before the image is written, so a parameter number that no message
// can carry leaves the image as it was.
void TForm1::SendParameter(int low, int high, int layer, int channelIndex, int value) {
  const preset::ParamNumber param = ParamNumberOf(low, high);
  const std::array<preset::Bytes, 3> strings =
      preset::SendParameterMessages(param, layer, channelIndex, value, buffer->isChecked());
  preset::tMrv& image = images.at(static_cast<std::size_t>(channelIndex));
  NoteParameterWrite(image, param, layer,
                     preset::PresetNumberFor(channelIndex, buffer->isChecked()), value);
  image.WriteParam(preset::GroupOf(param.high), param.low, layer, value);
  SendStrings(strings);
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
