#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTabWidget>

#include "envelope_view.h"
#include "find_child.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "tdragger.h"
#include "tform1.h"
#include "window_application.h"
#include "zoom.h"

namespace {

using morvane::editor::TForm1;

void SendMouseAt(QWidget* target, QEvent::Type type, int x, Qt::MouseButtons buttons) {
  const QPoint at(x, target->height() / 2);
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// One frame of a drag of the filter envelope's second attack rate with the envelopes shown: the
// mouse moves a step, and the drawing repaints the three envelopes at once.
void BM_EnvelopeRepaintDuringDrag(benchmark::State& state) {
  morvane::bench::Application();
  morvane::editor::SetScreenArea([](const QWidget&) { return QRect(0, 0, 4000, 3000); });
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  window.show();
  window.PageControl1->setCurrentWidget(window.layerctrlssheet);
  window.SetZoom(static_cast<int>(state.range(0)));
  window.Envelopes1->trigger();
  morvane::editor::TEnvelopeView* view = window.EnvelopeView();
  QApplication::processEvents();
  auto* rate = morvane::editor::FindChildByName<morvane::controls::Tdragger>(
      window, QStringLiteral("dragger19"));
  rate->setPosition(0);
  constexpr int kSteps = 100;
  int x = rate->width() / 2;
  int direction = 1;
  SendMouseAt(rate, QEvent::MouseButtonPress, x, Qt::LeftButton);
  for (auto _ : state) {
    x += direction;
    if (rate->Position() == 0 || rate->Position() >= kSteps) {
      direction = rate->Position() == 0 ? 1 : -1;
    }
    SendMouseAt(rate, QEvent::MouseMove, x, Qt::LeftButton);
    view->repaint();
  }
  SendMouseAt(rate, QEvent::MouseButtonRelease, x, Qt::NoButton);
  state.counters["paints"] = view->PaintCount();
  morvane::editor::SetScreenArea({});
}
BENCHMARK(BM_EnvelopeRepaintDuringDrag)->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
