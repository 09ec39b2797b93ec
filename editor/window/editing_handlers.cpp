#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "file_dialog.h"
#include "layer_check_box.h"
#include "mask_edit.h"
#include "name_validator.h"
#include "number_text.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

using controls::ParseHexSetting;
using controls::Tdragger;

// The instrument of a layer: parameter 0B:01.
constexpr int kInstrumentLow = 0x01;
constexpr int kInstrumentHigh = 0x0B;
constexpr QChar kNameColon = u':';
constexpr QChar kFileNameDash = u'-';
const QString kPresetFileExtension = QStringLiteral(".syx");

// What an undo step names a control's edit by: its caption's prefix without the colon ("vol"),
// or its layout name where the caption has none.
QString EditLabel(const Tdragger* control) {
  QString label = control->Prefix().trimmed();
  label.remove(kNameColon);
  return label.isEmpty() ? control->objectName() : label;
}

}  // namespace

void TForm1::dragger1MouseUp(Tdragger* sender, Qt::MouseButton /*button*/,
                             Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  const auto recording = RecordEdit(EditLabel(sender), sender);
  SendToCheckedLayers(ParseHexSetting(sender->Ctrl1()), ParseHexSetting(sender->Ctrl2()),
                      sender->Position());
}

void TForm1::dragger25MouseUp(Tdragger* sender, Qt::MouseButton /*button*/,
                              Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  const auto recording = RecordEdit(EditLabel(sender), sender);
  SendParameter(ParseHexSetting(sender->Ctrl1()), ParseHexSetting(sender->Ctrl2()), 0,
                channel->ItemIndex(), sender->Position());
}

void TForm1::filtertypeMouseUp(Tdragger* sender, Qt::MouseButton /*button*/,
                               Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  SendCodedRelease(sender, parammap::filterTypeCodes(), "filter type");
}

void TForm1::dragger72MouseUp(Tdragger* sender, Qt::MouseButton /*button*/,
                              Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  SendCodedRelease(sender, parammap::cordSourceCodes(), "cord source");
}

void TForm1::dragger73MouseUp(Tdragger* sender, Qt::MouseButton /*button*/,
                              Qt::KeyboardModifiers /*shift*/, QPoint /*position*/) {
  SendCodedRelease(sender, parammap::cordDestinationCodes(), "cord destination");
}

// A cord control reaches positions past the end of its table (its range is 0..127); such a
// position stands for no code, so nothing is written or sent and the status bar says why.
void TForm1::SendCodedRelease(Tdragger* sender, std::span<const parammap::CodeEntry> table,
                              const char* codeName) {
  const int position = sender->Position();
  const std::optional<int> code = parammap::CodeAt(table, position);
  if (!code) {
    StatusBar1->showMessage(QStringLiteral("Position %1 has no %2 code: nothing was sent")
                                .arg(position)
                                .arg(QLatin1String(codeName)));
    return;
  }
  const auto recording = RecordEdit(EditLabel(sender), sender);
  SendToCheckedLayers(ParseHexSetting(sender->Ctrl1()), ParseHexSetting(sender->Ctrl2()), *code);
}

void TForm1::instrChange() {
  const auto recording = RecordEdit(QStringLiteral("instrument"));
  SendToCheckedLayers(kInstrumentLow, kInstrumentHigh, instr->currentIndex());
}

// The name goes out with the fourth character the image keeps, so that the module and the
// image hold the same sixteen characters.
void TForm1::patchnameKeyPress() {
  const QString text = patchname->text();
  const QByteArray characters = FNameValidator->FullName(text).toLatin1();
  const std::string_view name(characters.constData(), static_cast<std::size_t>(characters.size()));
  try {
    FChannels->WriteName(CurrentChannelIndex(), PresetNumber(), name);
  } catch (...) {
    RefreshControls();
    throw;
  }
  QString fileName = text;
  fileName.replace(kNameColon, kFileNameDash);
  SaveDialog1->setFileName(fileName + kPresetFileExtension);
}

void TForm1::paramsChange() {
  RefreshControls();
  StatusBar1->showMessage(
      QStringLiteral("min = %1 max = %2").arg(params->Min()).arg(params->Max()));
}

// Only the shown layer is written, and the preset is always addressed by the channel index:
// the generic list ignores the layer boxes and BF.
void TForm1::paramvalueKeyPress() {
  const int value = controls::ParseInteger(paramvalue->Text().trimmed());
  if (value < params->Min() || value > params->Max()) {
    return;
  }
  const preset::ParamNumber param =
      ParamNumberOf(ParseHexSetting(params->Tag1()), ParseHexSetting(params->Tag2()));
  const int channelIndex = CurrentChannelIndex();
  const auto recording = RecordEdit(params->currentText());
  FChannels->WriteParameter(channelIndex, param, layer->ItemIndex() + 1, channelIndex, value);
  channel->setFocus(Qt::OtherFocusReason);
}

// The mute flags belong to the window: they follow the shown layer, not a channel or preset.
void TForm1::muteClick() {
  const int layerIndex = layer->ItemIndex();
  bool& layerMuted = muted.at(static_cast<std::size_t>(layerIndex));
  const preset::Bytes message =
      layerMuted ? preset::LayerUnmuteMessage(layerIndex) : preset::LayerMuteMessage(layerIndex);
  try {
    FChannels->SendMessages(std::span(&message, 1));
  } catch (...) {
    ShowEditTargets();
    throw;
  }
  layerMuted = !layerMuted;
  ShowEditTargets();
}

// The box has toggled itself before this runs; Shift alone makes the clicked layer the only
// edited one and the shown one.
void TForm1::l2MouseUp(TLayerCheckBox* sender, Qt::MouseButton /*button*/,
                       Qt::KeyboardModifiers shift, QPoint /*position*/) {
  if (shift != Qt::ShiftModifier || QGuiApplication::mouseButtons() != Qt::NoButton) {
    return;
  }
  const std::array<TLayerCheckBox*, kLayerCount> boxes = LayerBoxes();
  int clickedIndex = TRadioGroup::kNoItem;
  for (int index = 0; index < kLayerCount; ++index) {
    TLayerCheckBox* box = boxes[static_cast<std::size_t>(index)];
    box->setChecked(box == sender);
    if (box == sender) {
      clickedIndex = index;
    }
  }
  if (clickedIndex != TRadioGroup::kNoItem) {
    layer->setItemIndex(clickedIndex);
  }
}

}  // namespace morvane::editor
