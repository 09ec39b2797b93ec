#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "handler_guard.h"
#include "layer_check_box.h"
#include "parammap/generic_list.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

using parammap::ControlSpec;
using parammap::ReleaseHandler;

const QString kSelectTitle = QStringLiteral("select");
const QString kMuteCaption = QStringLiteral("mute");
const QString kMutedCaption = QStringLiteral("muted");
// The toolkit reads "[*]" in a window title as the place of its modified mark; doubled, it
// shows as typed.
const QString kModifiedMark = QStringLiteral("[*]");
const QString kTypedModifiedMark = QStringLiteral("[*][*]");

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "layer 1", "layers 2, 4", "no layer".
QString LayersText(const std::vector<int>& layers) {
  if (layers.empty()) {
    return QStringLiteral("no layer");
  }
  QStringList numbers;
  for (const int layer : layers) {
    numbers << QString::number(layer);
  }
  return (layers.size() == 1 ? QStringLiteral("layer ") : QStringLiteral("layers ")) +
         numbers.join(QStringLiteral(", "));
}

// A coded control or one whose items cover its range offers choices; the others a range.
QString RangeText(const ControlSpec& spec) {
  const auto table = parammap::CodeTableOf(spec);
  const long long items = static_cast<long long>(parammap::ItemsAfterStartUp(spec).size());
  if (!table.empty()) {
    return QStringLiteral("%1 choices").arg(table.size());
  }
  if (items > 0 && items == parammap::RangeCount(spec.min, spec.max)) {
    return QStringLiteral("%1 choices").arg(items);
  }
  return QStringLiteral("range %1 to %2").arg(spec.min).arg(spec.max);
}

QString TargetText(const ControlSpec& spec, const std::vector<int>& layers) {
  switch (spec.handler) {
    case ReleaseHandler::PresetKnob:
      return QStringLiteral("edits go to the preset's common values");
    case ReleaseHandler::Velocity:
    case ReleaseHandler::VelocityRandomness:
      return QStringLiteral("sets the keyboard player; nothing is sent");
    case ReleaseHandler::Plain:
    case ReleaseHandler::FilterType:
    case ReleaseHandler::CordSource:
    case ReleaseHandler::CordDestination:
      break;
  }
  return QStringLiteral("edits go to ") + LayersText(layers);
}

}  // namespace

QString TForm1::CaptionOf(const std::string& name) {
  QString caption = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  caption.replace(kModifiedMark, kTypedModifiedMark);
  return caption;
}

std::vector<int> TForm1::CheckedLayers() const {
  std::vector<int> layers;
  const std::array<TLayerCheckBox*, kLayerCount> boxes = LayerBoxes();
  for (int layerNumber = 1; layerNumber <= kLayerCount; ++layerNumber) {
    if (boxes[static_cast<std::size_t>(layerNumber - 1)]->isChecked()) {
      layers.push_back(layerNumber);
    }
  }
  return layers;
}

void TForm1::BuildEditTargets() {
  for (TLayerCheckBox* box : LayerBoxes()) {
    ConnectGuarded(box, &QCheckBox::toggled, this, &TForm1::ShowEditTargets);
  }
  ShowEditTargets();
}

void TForm1::ShowEditTargets() {
  const int layerIndex = layer->ItemIndex();
  const bool layerMuted =
      layerIndex >= 0 && layerIndex < kLayerCount && muted.at(static_cast<std::size_t>(layerIndex));
  mute->setChecked(layerMuted);
  mute->setText(layerMuted ? kMutedCaption : kMuteCaption);

  const std::vector<int> layers = CheckedLayers();
  const bool shownEdited = std::ranges::find(layers, layerIndex + 1) != layers.end();
  select->setTitle(shownEdited ? kSelectTitle
                               : QStringLiteral("edits go to ") + LayersText(layers));

  // The tips change with the layer boxes only.
  if (FTipLayers == layers) {
    return;
  }
  FTipLayers = layers;
  for (const TValueControl& valueControl : FValueControls) {
    const ControlSpec& spec = *valueControl.spec;
    QStringList lines{FromView(parammap::FullName(spec)), RangeText(spec),
                      TargetText(spec, layers)};
    if (!spec.hint.empty()) {
      lines << FromView(spec.hint);
    }
    valueControl.control->setToolTip(lines.join(QLatin1Char('\n')));
    valueControl.control->setStatusTip(lines.join(QStringLiteral("; ")));
  }
}

}  // namespace morvane::editor
