#include "variations.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QStatusBar>
#include <random>

#include "channel_owner.h"
#include "handler_guard.h"
#include "library_window.h"
#include "morph_window.h"
#include "preset_delivery.h"
#include "preset_library.h"
#include "radio_group.h"
#include "randomize_dialog.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

const QString kRandomize = QStringLiteral("Randomize");

QString AgainText(std::uint32_t seed) {
  return QStringLiteral("Randomize again with seed %1").arg(seed);
}

}  // namespace

TVariations::TVariations(TForm1& form)
    : NewSeed([] { return std::random_device{}(); }), FForm(form) {
  Randomize1 = new QAction(QStringLiteral("Randomize\u2026"), &form);
  Randomize1->setObjectName(QStringLiteral("Randomize1"));
  Randomize1->setStatusTip(QStringLiteral("Move the values of the current preset at random"));
  ConnectGuarded(Randomize1, &QAction::triggered, this, &TVariations::Randomize1Click);
  RandomizeAgain1 = new QAction(QStringLiteral("Randomize again"), &form);
  RandomizeAgain1->setObjectName(QStringLiteral("RandomizeAgain1"));
  RandomizeAgain1->setEnabled(false);
  ConnectGuarded(RandomizeAgain1, &QAction::triggered, this, &TVariations::RandomizeAgain1Click);
  Morph1 = new QAction(QStringLiteral("Morph\u2026"), &form);
  Morph1->setObjectName(QStringLiteral("Morph1"));
  Morph1->setStatusTip(QStringLiteral("Move the current preset between two presets"));
  ConnectGuarded(Morph1, &QAction::triggered, this, &TVariations::Morph1Click);
  form.Edit1->addSeparator();
  form.Edit1->addActions({Randomize1, RandomizeAgain1, Morph1});
}

TMorphWindow* TVariations::MorphWindow() const {
  return FMorph.data();
}

int TVariations::ShownLayer() const {
  return FForm.layer->ItemIndex() + 1;
}

void TVariations::Randomize(const parammap::RandomizeRequest& request) {
  TChannelOwner& channels = FForm.Channels();
  const int channelIndex = FForm.CurrentChannelIndex();
  const preset::tMrv after = parammap::Randomized(channels.Image(channelIndex), request);
  const QString done = QStringLiteral("Randomized with seed %1").arg(request.seed);
  DeliverPreset(channels, channelIndex, FForm.PresetNumber(), after,
                parammap::SlotsOf(request.scope, request.shownLayer, request.instrumentCount > 0),
                kRandomize, done);
  FLast = request;
  RandomizeAgain1->setText(AgainText(request.seed));
  RandomizeAgain1->setEnabled(true);
  FForm.RefreshControls();
  FForm.StatusBar1->showMessage(done);
}

void TVariations::Randomize1Click() {
  FForm.Channels().RefuseWhileTransferring();
  TRandomizeDialog dialog(&FForm, ShownLayer());
  if (dialog.exec() != QDialog::Accepted) {
    return;
  }
  Randomize({dialog.Scope(), ShownLayer(), dialog.Amount(), NewSeed(),
             static_cast<int>(FForm.instr->count())});
}

void TVariations::RandomizeAgain1Click() {
  if (FLast) {
    Randomize(*FLast);
  }
}

void TVariations::Morph1Click() {
  FForm.Channels().RefuseWhileTransferring();
  delete FMorph.data();
  FMorph =
      new TMorphWindow(&FForm, FForm.Channels(), FForm.CurrentChannelIndex(), FForm.PresetNumber(),
                       FForm.editClock, [this]() -> std::optional<TLibraryReference> {
                         const TLibraryWindow* library = FForm.Library().Window();
                         return library != nullptr ? library->Chosen() : std::nullopt;
                       });
  FMorph->show();
}

}  // namespace morvane::editor
