#include "morph_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <stdexcept>
#include <utility>

#include "channel_owner.h"
#include "data_files.h"
#include "file_dialog.h"
#include "handler_guard.h"
#include "library_files.h"
#include "midi/wire_time.h"
#include "parammap/value_slots.h"
#include "preset/dump_layout.h"
#include "preset/preset_file.h"
#include "preset_delivery.h"

namespace morvane::editor {

namespace {

const QString kLibraryItem = QStringLiteral("Library..");
const QString kFileItem = QStringLiteral("File..");
const QString kUndoText = QStringLiteral("Morph");
constexpr int kSideA = 0;
constexpr int kSideB = 1;
constexpr int kPageStep = 10;
constexpr int kLibraryIndex = TChannelOwner::kChannelCount;

QStringList SourceItems() {
  QStringList items;
  for (int channelIndex = 0; channelIndex < TChannelOwner::kChannelCount; ++channelIndex) {
    items << QStringLiteral("Channel %1").arg(channelIndex + 1);
  }
  items << kLibraryItem << kFileItem;
  return items;
}

}  // namespace

TMorphWindow::TMorphWindow(QWidget* parent, TChannelOwner& channels, int channelIndex,
                           int presetNumber, const controls::TEditClock& clock,
                           LibraryChoice libraryChoice)
    : QDialog(parent),
      FChannels(channels),
      FChannelIndex(channelIndex),
      FPresetNumber(presetNumber),
      FSlider(new QSlider(Qt::Horizontal, this)),
      FPosition(new QLabel(this)),
      FFileDialog(new TFileDialog(TFileDialog::Kind::Open, this)),
      FLibraryChoice(std::move(libraryChoice)),
      FPacer(*this, [this] { RunGuarded([this] { SendUpdate(); }); }) {
  setObjectName(QStringLiteral("MorphWindow"));
  setWindowTitle(QStringLiteral("Morph into channel %1").arg(channelIndex + 1));
  setAttribute(Qt::WA_DeleteOnClose);
  FPacer.SetClock(&clock);
  FFileDialog->setFilter(QStringLiteral("*.syx|*.syx"));
  FFileDialog->setDefaultExt(QStringLiteral("syx"));
  auto* layout = new QFormLayout(this);
  for (const int side : {kSideA, kSideB}) {
    auto* source = new QComboBox(this);
    source->setObjectName(side == kSideA ? QStringLiteral("morphA") : QStringLiteral("morphB"));
    source->addItems(SourceItems());
    FSources.at(static_cast<std::size_t>(side)) = source;
    const int first = (channelIndex + side) % TChannelOwner::kChannelCount;
    FPresets.at(static_cast<std::size_t>(side)) = channels.Image(first);
    source->setCurrentIndex(first);
    FShown.at(static_cast<std::size_t>(side)) = first;
    connect(source, &QComboBox::activated, this,
            [this, side] { RunGuarded([&] { Choose(side); }); });
    layout->addRow(side == kSideA ? QStringLiteral("&A:") : QStringLiteral("&B:"), source);
  }
  FSlider->setObjectName(QStringLiteral("morphSlider"));
  FPosition->setObjectName(QStringLiteral("morphPosition"));
  FSlider->setRange(0, kSteps);
  FSlider->setPageStep(kPageStep);
  layout->addRow(FSlider);
  layout->addRow(FPosition);
  connect(FSlider, &QSlider::valueChanged, this, [this] { Moved(); });
  connect(FSlider, &QSlider::sliderReleased, this, [this] { RunGuarded([this] { Commit(); }); });
  if (!channels.Marked(channelIndex)) {
    FLastSent = channels.Image(channelIndex);
  }
  Moved();
}

void TMorphWindow::Choose(int side) {
  QComboBox* source = Source(side);
  int& shown = FShown.at(static_cast<std::size_t>(side));
  // The list shows what the side holds: a cancelled or failed choice shows the last one again.
  struct TShowHeld {
    QComboBox& source;
    const int& shown;
    ~TShowHeld() { source.setCurrentIndex(shown); }
  } showHeld{*source, shown};
  const int index = source->currentIndex();
  if (Take(side, index)) {
    shown = index;
  }
}

bool TMorphWindow::Take(int side, int index) {
  QComboBox* source = Source(side);
  preset::tMrv& chosen = FPresets.at(static_cast<std::size_t>(side));
  if (index < TChannelOwner::kChannelCount) {
    chosen = FChannels.Image(index);
    return true;
  }
  if (index == kLibraryIndex) {
    const std::optional<TLibraryReference> reference = FLibraryChoice();
    if (!reference) {
      throw std::runtime_error(
          "Choose a preset in the library first (View > Library), then Library.. again");
    }
    chosen = ReadLibraryPreset(*reference);
    source->setItemText(index, kLibraryItem + QLatin1Char(' ') + LibrarySourceName(*reference));
    return true;
  }
  if (!FFileDialog->Execute(this)) {
    return false;
  }
  preset::tMrv file;
  file.LoadPresetFromBytes(preset::ReadPresetFile(LocalFileName(FFileDialog->FileName())));
  chosen = file;
  source->setItemText(index, kFileItem + QLatin1Char(' ') + FFileDialog->FileName());
  return true;
}

preset::tMrv TMorphWindow::Target() const {
  return parammap::Morphed(FPresets[kSideA], FPresets[kSideB], {FSlider->value(), kSteps});
}

void TMorphWindow::Moved() {
  FPosition->setText(QStringLiteral("%1 % of the way to B").arg(FSlider->value()));
  if (!isVisible()) {
    return;
  }
  FPacer.Request();
  if (!FSlider->isSliderDown()) {
    RunGuarded([this] { Commit(); });
  }
}

void TMorphWindow::SendUpdate() {
  const preset::tMrv target = Target();
  const auto strings = FLastSent
                           ? EditStrings(*FLastSent, target, parammap::AllSlots(), FPresetNumber)
                           : std::nullopt;
  if (strings && strings->empty()) {
    return;
  }
  std::size_t byteCount = preset::kDumpSize;
  if (strings) {
    byteCount = 0;
    for (const preset::Bytes& string : *strings) {
      byteCount += string.size();
    }
    FChannels.SendMessages(*strings);
  } else {
    FChannels.SendImage(target, FPresetNumber);
  }
  // A dump takes half a second on the wire: updates handed on faster would only queue up
  // behind it, and the module would follow the slider seconds late.
  FPacer.Stretch(midi::WireTimeMs(byteCount));
  FLastSent = target;
  ++FUpdates;
}

void TMorphWindow::Commit() {
  // The last position always goes out, also after an update that was refused, and counts as
  // the last update for the next drag.
  FPacer.Restart();
  SendUpdate();
  FChannels.Adopt(FChannelIndex, Target(), kUndoText);
}

}  // namespace morvane::editor
