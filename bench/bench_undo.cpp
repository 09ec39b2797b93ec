#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <chrono>

#include "layer_check_box.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "tdragger.h"
#include "tform1.h"
#include "window_application.h"

namespace {

using morvane::editor::TForm1;

using morvane::bench::Application;

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButtons buttons) {
  const QPoint middle(target->width() / 2, target->height() / 2);
  QMouseEvent event(type, QPointF(middle), QPointF(target->mapToGlobal(middle)), Qt::LeftButton,
                    buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// From the Undo menu action of a volume edit on layers 1 and 2 until its six strings are with
// the simulator's driver. The redo that makes the edit again lies outside the time.
void BM_UndoTwoLayerEdit(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  window.show();
  QApplication::processEvents();
  window.MidiOutput1.ClosePort();
  window.MidiOutput1.SetDeviceID(0);
  if (!window.MidiOutput1.OpenPort()) {
    state.SkipWithError("The simulator's output did not open");
    return;
  }
  window.l1->setChecked(true);
  window.l2->setChecked(true);
  auto* volume = window.findChild<morvane::controls::Tdragger*>(QStringLiteral("dragger1"));
  volume->setPosition(volume->Position() == -6 ? -7 : -6);
  SendMouse(volume, QEvent::MouseButtonPress, Qt::LeftButton);
  SendMouse(volume, QEvent::MouseButtonRelease, Qt::NoButton);
  const auto& sender = window.engine.SysexSender();
  const auto settle = [&] {
    while (sender.PendingCount() != 0 || window.MidiOutput1.PendingLongCount() != 0) {
      QApplication::processEvents();
    }
  };
  settle();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    window.Undo1->trigger();
    while (sender.PendingCount() != 0) {
      QApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    settle();
    window.Redo1->trigger();
    settle();
  }
}
BENCHMARK(BM_UndoTwoLayerEdit)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
