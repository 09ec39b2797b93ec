#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "handler_guard.h"
#include "midi_monitor.h"
#include "tform1.h"
#include "zoom.h"

namespace morvane::editor {

namespace {

QString ZoomActionName(int percent) {
  return QStringLiteral("Zoom%1").arg(percent);
}

}  // namespace

void TForm1::BuildViewMenu() {
  View1 = MainMenu1->addMenu(QStringLiteral("View"));
  View1->setObjectName(QStringLiteral("View1"));

  MidiMonitor1 = new QAction(QStringLiteral("MIDI Monitor"), this);
  MidiMonitor1->setObjectName(QStringLiteral("MidiMonitor1"));
  MidiMonitor1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  MidiMonitor1->setStatusTip(QStringLiteral("List every MIDI message sent and received"));
  ConnectGuarded(MidiMonitor1, &QAction::triggered, this, &TForm1::MidiMonitor1Click);
  View1->addAction(MidiMonitor1);

  Zoom1 = View1->addMenu(QStringLiteral("Zoom"));
  Zoom1->setObjectName(QStringLiteral("Zoom1"));
  auto* steps = new QActionGroup(Zoom1);
  for (const int percent : kZoomSteps) {
    auto* step = new QAction(QStringLiteral("%1%").arg(percent), steps);
    step->setObjectName(ZoomActionName(percent));
    step->setCheckable(true);
    step->setChecked(percent == kNormalZoom);
    QObject::connect(step, &QAction::triggered, this,
                     [this, percent] { RunGuarded([this, percent] { SetZoom(percent); }); });
    Zoom1->addAction(step);
  }
}

void TForm1::MidiMonitor1Click() {
  if (!FMidiMonitor) {
    FMidiMonitor = std::make_unique<TMidiMonitor>(MidiOutput1, MidiInput1, this);
  }
  FMidiMonitor->show();
  FMidiMonitor->raise();
  FMidiMonitor->activateWindow();
}

void TForm1::SetZoom(int percent) {
  ApplyZoom(percent);
  if (settings) {
    settings->WriteInteger(TSettingsStore::kZoom, percent);
  }
}

int TForm1::Zoom() const {
  return FLayoutZoom ? FLayoutZoom->Percent() : kNormalZoom;
}

void TForm1::ApplyZoom(int percent) {
  LayoutZoom().Apply(percent);
  if (QAction* step = Zoom1->findChild<QAction*>(ZoomActionName(percent))) {
    step->setChecked(true);
  }
  adjustSize();
}

// A stored value that is no step of the menu leaves the layout as it is built.
void TForm1::RestoreZoom() {
  const int percent = settings->ReadInteger(TSettingsStore::kZoom, kNormalZoom);
  if (std::ranges::find(kZoomSteps, percent) != kZoomSteps.end()) {
    ApplyZoom(percent);
  }
}

TLayoutZoom& TForm1::LayoutZoom() {
  if (!FLayoutZoom) {
    FLayoutZoom = std::make_unique<TLayoutZoom>(
        *FClient,
        std::vector<QWidget*>{FClient, select, Panel1, commonctrls, layerctrls, patchcords},
        std::vector<QWidget*>{MainMenu1});
  }
  return *FLayoutZoom;
}

}  // namespace morvane::editor
