#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "channel_edits.h"
#include "fake_edit_clock.h"
#include "layer_check_box.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi_monitor.h"
#include "parammap/generic_list.h"
#include "preset/module_messages.h"
#include "preset/value_codec.h"
#include "radio_group.h"
#include "recording_driver.h"
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

void SendMouseAt(QWidget* target, QEvent::Type type, int x, Qt::MouseButtons buttons) {
  const QPoint at(x, target->height() / 2);
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButtons buttons) {
  SendMouseAt(target, type, target->width() / 2, buttons);
}

// Start-up opens the simulator's output when the settings name no device.
bool OpenSimulatorOutput(benchmark::State& state, TForm1& window) {
  if (window.MidiOutput1.State() != morvane::midi::mosOpen) {
    window.MidiOutput1.SetDeviceID(0);
    if (!window.MidiOutput1.OpenPort()) {
      state.SkipWithError("The simulator's output did not open");
      return false;
    }
  }
  return true;
}

// Times `act` until the strings it queued are with the driver; the port's done notices that
// follow lie outside the time.
void TimeUntilWithDriver(benchmark::State& state, TForm1& window,
                         const std::function<void()>& act) {
  const auto& sender = window.engine.SysexSender();
  const auto start = std::chrono::steady_clock::now();
  act();
  while (sender.PendingCount() != 0) {
    QApplication::processEvents();
  }
  const auto end = std::chrono::steady_clock::now();
  state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  while (window.MidiOutput1.PendingLongCount() != 0) {
    QApplication::processEvents();
  }
}

// From the release on the volume control with layers 1 and 2 checked until its six strings
// are with the simulator's driver. The press and the port's done notices lie outside the time.
void MeasureEdits(benchmark::State& state, TForm1& window) {
  if (!OpenSimulatorOutput(state, window)) {
    return;
  }
  window.l2->setChecked(true);
  auto* volume = window.findChild<morvane::controls::Tdragger*>(QStringLiteral("dragger1"));
  for (auto _ : state) {
    SendMouse(volume, QEvent::MouseButtonPress, Qt::LeftButton);
    TimeUntilWithDriver(state, window,
                        [volume] { SendMouse(volume, QEvent::MouseButtonRelease, Qt::NoButton); });
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

void SendWheel(QWidget* target, int angle) {
  const QPointF middle(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent event(middle, target->mapToGlobal(middle), QPoint(), QPoint(0, angle), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

// From one wheel notch on the volume control, layer 1 checked, until its three strings are with
// the simulator's driver. The notches lie an interval apart, so that each is sent at once.
void BM_WheelNotchOneLayer(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  PrepareWindow(window);
  if (!OpenSimulatorOutput(state, window)) {
    return;
  }
  morvane::test_support::FakeEditClock clock;
  window.editClock = clock.clock;
  auto* volume = window.findChild<morvane::controls::Tdragger*>(QStringLiteral("dragger1"));
  volume->setFocus();
  int angle = 120;
  for (auto _ : state) {
    clock.Advance(1000);
    angle = -angle;
    TimeUntilWithDriver(state, window, [volume, angle] { SendWheel(volume, angle); });
  }
}
BENCHMARK(BM_WheelNotchOneLayer)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A drag on the filter cutoff while sending as it changes: the press, a move every 10 ms from
// the press on, each a value up (200 values), the release as the 2 s end (1999 ms after the
// press, before the paced edit due at 2000 ms). Counts the edits that reach the driver, the
// release's included, and whether the last carries the value shown.
void BM_SendWhileDragging2s(benchmark::State& state) {
  constexpr int kMoves = 200;
  constexpr int kMoveMs = 10;
  constexpr int kDragMs = kMoves * kMoveMs;
  constexpr std::uint8_t kCutLow = 0x02;
  constexpr std::uint8_t kFilterHigh = 0x0C;
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::editor::testing::RecordingDriver driver(simulator);
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, driver);
  PrepareWindow(window);
  if (!OpenSimulatorOutput(state, window)) {
    return;
  }
  window.PageControl1->setCurrentWidget(window.layerctrlssheet);
  QApplication::processEvents();
  morvane::test_support::FakeEditClock clock;
  window.editClock = clock.clock;
  auto* cut = window.findChild<morvane::controls::Tdragger*>(QStringLiteral("dragger26"));
  cut->setSendWhileDragging(true);
  const auto& sender = window.engine.SysexSender();
  std::size_t edits = 0;
  bool lastIsShown = true;
  for (auto _ : state) {
    cut->setPosition(0);
    clock.Advance(1000);
    const std::int64_t pressed = clock.Now();
    SendMouseAt(cut, QEvent::MouseButtonPress, 10, Qt::LeftButton);
    for (int move = 0; move < kMoves; ++move) {
      clock.AdvanceTo(pressed + move * kMoveMs);
      SendMouseAt(cut, QEvent::MouseMove, 11 + move, Qt::LeftButton);
    }
    clock.AdvanceTo(pressed + kDragMs - 1);
    SendMouseAt(cut, QEvent::MouseButtonRelease, 10 + kMoves, Qt::NoButton);
    clock.Advance(kDragMs);
    while (sender.PendingCount() != 0 || window.MidiOutput1.PendingLongCount() != 0) {
      QApplication::processEvents();
    }
    state.PauseTiming();
    const auto strings = driver.TakeStrings();
    edits = 0;
    int lastValue = -1;
    for (const auto& string : strings) {
      const morvane::preset::Bytes edit =
          morvane::preset::ParameterEditMessage({kCutLow, kFilterHigh}, 0);
      if (string.size() == edit.size() &&
          std::equal(string.begin(), string.begin() + 9, edit.begin())) {
        ++edits;
        lastValue = morvane::preset::DecodeValue(string[9], string[10]);
      }
    }
    lastIsShown = lastIsShown && lastValue == cut->Position() && cut->Position() == kMoves;
    state.ResumeTiming();
  }
  state.counters["edits"] = static_cast<double>(edits);
  state.counters["last_is_shown"] = lastIsShown ? 1 : 0;
}
BENCHMARK(BM_SendWhileDragging2s)->Unit(benchmark::kMillisecond);

// The Layer page refreshed for two channels whose images differ in every value it shows.
void BM_RefreshLayerPage(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, simulator);
  PrepareWindow(window);
  for (const auto& spec : morvane::parammap::ControlsOn(morvane::parammap::Page::Layer)) {
    morvane::editor::testing::ChangeImage(window, 1, [&](morvane::preset::tMrv& image) {
      image.WriteParam(static_cast<std::int8_t>(morvane::parammap::ImageGroup(spec)), spec.Ctrl1(),
                       1, spec.max);
    });
  }
  int channelIndex = 0;
  for (auto _ : state) {
    channelIndex = 1 - channelIndex;
    window.channel->setItemIndex(channelIndex);
  }
}
BENCHMARK(BM_RefreshLayerPage)->Unit(benchmark::kMicrosecond);

}  // namespace
