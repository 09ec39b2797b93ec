#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "layer_check_box.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi_monitor.h"
#include "parammap/generic_list.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "window_application.h"

namespace {

using morvane::editor::TForm1;

using morvane::bench::Application;

// The window as start-up leaves it: the generic list read, shown on the Layer page.
void PrepareWindow(TForm1& window) {
  window.paramTable = morvane::editor::TProfileFile(morvane::parammap::GenericParameterFile());
  for (int key = 0; key < morvane::parammap::kGenericListSize; ++key) {
    window.params->addItem(
        QString::fromStdString(window.paramTable.ReadString("name", std::to_string(key))));
  }
  window.params->setCurrentIndex(morvane::parammap::kGenericStartItem);
  window.show();
  QApplication::processEvents();
}

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButtons buttons) {
  const QPoint middle(target->width() / 2, target->height() / 2);
  QMouseEvent event(type, QPointF(middle), QPointF(target->mapToGlobal(middle)), Qt::LeftButton,
                    buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// From the release on the volume control with layers 1 and 2 checked until its six strings
// are with the simulator's driver. The press and the port's done notices lie outside the time.
void MeasureEdits(benchmark::State& state, TForm1& window) {
  // Start-up opens the simulator's output when the settings name no device.
  if (window.MidiOutput1.State() != morvane::midi::mosOpen) {
    window.MidiOutput1.SetDeviceID(0);
    if (!window.MidiOutput1.OpenPort()) {
      state.SkipWithError("The simulator's output did not open");
      return;
    }
  }
  window.l2->setChecked(true);
  auto* volume = window.findChild<morvane::controls::Tdragger*>(QStringLiteral("dragger1"));
  const auto& sender = window.engine.SysexSender();
  for (auto _ : state) {
    SendMouse(volume, QEvent::MouseButtonPress, Qt::LeftButton);
    const auto start = std::chrono::steady_clock::now();
    SendMouse(volume, QEvent::MouseButtonRelease, Qt::NoButton);
    while (sender.PendingCount() != 0) {
      QApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    while (window.MidiOutput1.PendingLongCount() != 0) {
      QApplication::processEvents();
    }
  }
}

void BM_EditTwoLayers(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  PrepareWindow(window);
  MeasureEdits(state, window);
}
BENCHMARK(BM_EditTwoLayers)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same edit with the MIDI monitor open and holding its full 10,000 lines, so that every
// batch it appends also drops its oldest lines.
void BM_EditTwoLayersMonitorFull(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  PrepareWindow(window);
  window.MidiMonitor1Click();
  morvane::editor::TMidiMonitor& monitor = *window.MidiMonitor();
  const std::array<std::uint8_t, 3> noteOn{0x90, 48, 97};
  for (int line = 0; line < morvane::editor::TMidiMonitor::kMaxLines; ++line) {
    monitor.Record(morvane::editor::TMidiMonitor::TDirection::Out, noteOn);
  }
  monitor.Flush();
  QApplication::processEvents();
  MeasureEdits(state, window);
  state.counters["lines"] = monitor.LineCount();
}
BENCHMARK(BM_EditTwoLayersMonitorFull)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The Layer page refreshed for two channels whose images differ in every value it shows.
void BM_RefreshLayerPage(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  PrepareWindow(window);
  for (const auto& spec : morvane::parammap::ControlsOn(morvane::parammap::Page::Layer)) {
    window.images[1].WriteParam(static_cast<std::int8_t>(morvane::parammap::ImageGroup(spec)),
                                spec.Ctrl1(), 1, spec.max);
  }
  int channelIndex = 0;
  for (auto _ : state) {
    channelIndex = 1 - channelIndex;
    window.channel->setItemIndex(channelIndex);
  }
}
BENCHMARK(BM_RefreshLayerPage)->Unit(benchmark::kMicrosecond);

}  // namespace
