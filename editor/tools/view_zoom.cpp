#include "view_zoom.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <algorithm>

#include "settings_store.h"
#include "zoom.h"

namespace morvane::editor {

namespace {

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

TViewZoom::TViewZoom(QWidget& window, QMenu& steps,
                     std::function<std::unique_ptr<TLayoutZoom>()> layout,
                     std::function<TSettingsStore*()> settings)
    : FWindow(window),
      FSteps(steps),
      FMakeLayout(std::move(layout)),
      FSettings(std::move(settings)) {}

TViewZoom::~TViewZoom() = default;

QString TViewZoom::ZoomActionName(int percent) {
  return QStringLiteral("Zoom%1").arg(percent);
}

bool TViewZoom::Fits(int percent) const {
  const QRect area = ScreenArea(FWindow);
  if (area.isEmpty()) {
    return true;
  }
  const QSize frame = ZoomedFrameSize(FWindow, Percent(), percent);
  return frame.width() <= area.width() && frame.height() <= area.height();
}

void TViewZoom::ShowSteps() {
  for (const int percent : kZoomSteps) {
    if (QAction* step = FSteps.findChild<QAction*>(ZoomActionName(percent))) {
      step->setEnabled(percent == kNormalZoom || Fits(percent));
    }
  }
}

void TViewZoom::Set(int percent) {
  Apply(percent);
  KeepInside(FWindow, ScreenArea(FWindow));
  if (TSettingsStore* settings = FSettings()) {
    settings->WriteInteger(TSettingsStore::kZoom, percent);
  }
}

int TViewZoom::Percent() const {
  return FLayout ? FLayout->Percent() : kNormalZoom;
}

void TViewZoom::Apply(int percent) {
  Layout().Apply(percent);
  if (QAction* step = FSteps.findChild<QAction*>(ZoomActionName(percent))) {
    step->setChecked(true);
  }
  FWindow.adjustSize();
  if (Applied) {
    Applied(percent);
  }
}

void TViewZoom::Restore() {
  const int stored = FSettings()->ReadInteger(TSettingsStore::kZoom, kNormalZoom);
  if (std::ranges::find(kZoomSteps, stored) != kZoomSteps.end()) {
    int percent = kNormalZoom;
    for (const int step : kZoomSteps) {
      if (step <= stored && Fits(step)) {
        percent = step;
      }
    }
    Apply(percent);
  }
  const QRect area = ScreenArea(FWindow);
  if (!area.isEmpty()) {
    const QSize frame = ZoomedFrameSize(FWindow, Percent(), Percent());
    FWindow.move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
  ShowSteps();
}

TLayoutZoom& TViewZoom::Layout() {
  if (!FLayout) {
    FLayout = FMakeLayout();
  }
  return *FLayout;
}

}  // namespace morvane::editor
