#include <QCheckBox>
#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QTabWidget>
#include <optional>
#include <string>

#include "channel_marks.h"
#include "channel_owner.h"
#include "layer_check_box.h"
#include "mask_edit.h"
#include "name_validator.h"
#include "number_text.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

using parammap::Page;

// The instrument number of a layer, read through the common group at the layer's block.
constexpr std::int8_t kCommonGroup = 0;
constexpr int kInstrumentLow = 0x01;
constexpr int kCommonLayer = 0;

const QColor kLampOn(Qt::red);
const QColor kLampOff(Qt::black);

int ProfileInteger(const TProfileFile& file, std::string_view section, const std::string& key) {
  const std::optional<std::string> text = file.Read(section, key);
  return text ? controls::ParseInteger(QString::fromStdString(*text)) : 0;
}

}  // namespace

// Only the page that is shown is filled; a page change refreshes again. The generic list comes
// last, so that its conversion error leaves everything else already shown.
void TForm1::RefreshControls() {
  preset::tMrv image = FChannels->Image(channel->ItemIndex());
  const int layerNumber = layer->ItemIndex() + 1;
  const std::string name = image.ReadName();
  FMarks->ShowCaption(CaptionOf(name));
  ShowLayerLamps(image);
  ShowEditTargets();
  FNameValidator->SetFixed(QLatin1Char(name.at(TNameValidator::kFixedIndex)));

  const QWidget* page = PageControl1->currentWidget();
  if (page == layerctrlssheet) {
    RefreshValueControls(Page::Layer, image, layerNumber);
    instr->setCurrentIndex(image.ReadParam(kCommonGroup, kInstrumentLow, layerNumber));
    RefreshGenericList(image, layerNumber);
  } else if (page == commonsheet) {
    patchname->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    RefreshValueControls(Page::Common, image, kCommonLayer);
  } else if (page == pcsheet) {
    RefreshValueControls(Page::Patchcords, image, layerNumber);
  }
}

void TForm1::ShowChannelCaption() {
  FMarks->ShowCaption(CaptionOf(FChannels->Image(channel->ItemIndex()).ReadName()));
}

// A lamp is red for every layer that has an instrument.
void TForm1::ShowLayerLamps(preset::tMrv& image) {
  const std::array<TLayerCheckBox*, kLayerCount> boxes = LayerBoxes();
  for (int layerNumber = 1; layerNumber <= kLayerCount; ++layerNumber) {
    QCheckBox* box = boxes[static_cast<std::size_t>(layerNumber - 1)];
    const QColor& colour =
        image.ReadParam(kCommonGroup, kInstrumentLow, layerNumber) != 0 ? kLampOn : kLampOff;
    QPalette palette = box->palette();
    if (palette.color(box->foregroundRole()) != colour) {
      palette.setColor(box->foregroundRole(), colour);
      box->setPalette(palette);
    }
  }
}

// Shared with `morvane show`: a coded control shows the last position carrying the stored code,
// and a control keeps its position where the value lies outside its range or no position
// carries the code.
void TForm1::RefreshValueControls(Page page, preset::tMrv& image, int layer) {
  for (const TValueControl& valueControl : FValueControls) {
    const parammap::ControlSpec& spec = *valueControl.spec;
    if (spec.page != page) {
      continue;
    }
    const int stored =
        image.ReadParam(static_cast<std::int8_t>(parammap::ImageGroup(spec)), spec.Ctrl1(), layer);
    if (const std::optional<int> position = parammap::ShownPosition(spec, stored)) {
      valueControl.control->setPosition(*position);
    }
  }
}

// With no item chosen (no parameter list was read) there is no entry to show; a missing or
// unreadable entry of a chosen item is an error.
void TForm1::RefreshGenericList(preset::tMrv& image, int layer) {
  if (params->currentIndex() < 0) {
    return;
  }
  const std::string key = std::to_string(params->currentIndex());
  params->setTag1(QString::fromStdString(paramTable.ReadString("lsb", key)));
  params->setTag2(QString::fromStdString(paramTable.ReadString("msb", key)));
  params->setMin(ProfileInteger(paramTable, "min", key));
  params->setMax(ProfileInteger(paramTable, "max", key));
  const preset::ParamNumber param = ParamNumberOf(controls::ParseHexSetting(params->Tag1()),
                                                  controls::ParseHexSetting(params->Tag2()));
  paramvalue->setText(
      QString::number(image.ReadParam(preset::GroupOf(param.high), param.low, layer)));
}

}  // namespace morvane::editor
