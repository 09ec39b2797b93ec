#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "envelope_view.h"
#include "handler_guard.h"
#include "midi_monitor.h"
#include "preset_library.h"
#include "status_bar.h"
#include "tform1.h"
#include "view_zoom.h"
#include "zoom.h"

namespace morvane::editor {

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
    step->setObjectName(TViewZoom::ZoomActionName(percent));
    step->setCheckable(true);
    step->setChecked(percent == kNormalZoom);
    QObject::connect(step, &QAction::triggered, this,
                     [this, percent] { RunGuarded([this, percent] { SetZoom(percent); }); });
    Zoom1->addAction(step);
  }
  FViewZoom = std::make_unique<TViewZoom>(
      *this, *Zoom1,
      [this] {
        return std::make_unique<TLayoutZoom>(
            *FClient,
            std::vector<QWidget*>{FClient, select, Panel1, commonctrls, layerctrls, patchcords},
            std::vector<QWidget*>{MainMenu1, File1, Edit1, View1, Zoom1,
                                  FStatusBar->HistoryMenu()});
      },
      [this] { return settings.get(); });
  FViewZoom->Applied = [this](int percent) {
    if (FLibrary) {
      FLibrary->SetZoom(percent);
    }
  };
  // The screen may have changed since: the steps are weighed each time the menu opens.
  QObject::connect(Zoom1, &QMenu::aboutToShow, this, [this] { FViewZoom->ShowSteps(); });
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
  FViewZoom->Set(percent);
  if (FEnvelopeView) {
    FEnvelopeView->SetZoom(Zoom());
    PlaceEnvelopeView();
  }
}

int TForm1::Zoom() const {
  return FViewZoom->Percent();
}

}  // namespace morvane::editor
