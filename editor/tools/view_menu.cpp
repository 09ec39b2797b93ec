#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "handler_guard.h"
#include "midi_monitor.h"
#include "status_bar.h"
#include "tform1.h"
#include "zoom.h"

namespace morvane::editor {

namespace {

QString ZoomActionName(int percent) {
  return QStringLiteral("Zoom%1").arg(percent);
}

// Moves window by as little as makes its frame lie inside area, its top left first.
void KeepInside(QWidget& window, const QRect& area) {
  const QRect frame = window.frameGeometry();
  QPoint to = frame.topLeft();
  to.setX(std::max(area.left(), std::min(to.x(), area.right() + 1 - frame.width())));
  to.setY(std::max(area.top(), std::min(to.y(), area.bottom() + 1 - frame.height())));
  if (to != frame.topLeft()) {
    window.move(to);
  }
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
  // The screen may have changed since: the steps are weighed each time the menu opens.
  QObject::connect(Zoom1, &QMenu::aboutToShow, this, [this] { ShowZoomSteps(); });
}

bool TForm1::ZoomFits(int percent) const {
  const QRect area = ScreenArea(*this);
  if (area.isEmpty()) {
    return true;
  }
  const QSize frame = ZoomedFrameSize(*this, Zoom(), percent);
  return frame.width() <= area.width() && frame.height() <= area.height();
}

// The layout as built is always offered, even on a screen too small for it.
void TForm1::ShowZoomSteps() {
  for (const int percent : kZoomSteps) {
    if (QAction* step = Zoom1->findChild<QAction*>(ZoomActionName(percent))) {
      step->setEnabled(percent == kNormalZoom || ZoomFits(percent));
    }
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
  KeepInside(*this, ScreenArea(*this));
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

// A stored value that is no step of the menu leaves the layout as it is built; a step too large
// for the screen now gives the largest that fits. The window opens centred either way.
void TForm1::RestoreZoom() {
  const int stored = settings->ReadInteger(TSettingsStore::kZoom, kNormalZoom);
  if (std::ranges::find(kZoomSteps, stored) != kZoomSteps.end()) {
    int percent = kNormalZoom;
    for (const int step : kZoomSteps) {
      if (step <= stored && ZoomFits(step)) {
        percent = step;
      }
    }
    ApplyZoom(percent);
  }
  const QRect area = ScreenArea(*this);
  if (!area.isEmpty()) {
    const QSize frame = ZoomedFrameSize(*this, Zoom(), Zoom());
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
  ShowZoomSteps();
}

TLayoutZoom& TForm1::LayoutZoom() {
  if (!FLayoutZoom) {
    FLayoutZoom = std::make_unique<TLayoutZoom>(
        *FClient,
        std::vector<QWidget*>{FClient, select, Panel1, commonctrls, layerctrls, patchcords},
        std::vector<QWidget*>{MainMenu1, File1, Edit1, View1, Zoom1, FStatusBar->HistoryMenu()});
  }
  return *FLayoutZoom;
}

}  // namespace morvane::editor
