#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "channel_owner.h"
#include "fake_edit_clock.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "morph_window.h"
#include "parammap/randomize.h"
#include "preset/module_messages.h"
#include "recording_driver.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "variations.h"
#include "window_application.h"

namespace {

using morvane::editor::TForm1;
using morvane::editor::testing::RecordingDriver;

using morvane::bench::Application;

// MIDI's wire: 31,250 baud, ten bits a byte.
constexpr double kWireBytesPerSecond = 3125.0;
constexpr int kInstrumentCount = 10;

// The window on the simulator's devices, its output open, shown.
bool OpenWindow(benchmark::State& state, TForm1& window) {
  window.show();
  QApplication::processEvents();
  window.MidiOutput1.ClosePort();
  window.MidiOutput1.SetDeviceID(0);
  if (!window.MidiOutput1.OpenPort()) {
    state.SkipWithError("The simulator's output did not open");
    return false;
  }
  window.instr->clear();
  for (int number = 0; number < kInstrumentCount; ++number) {
    window.instr->addItem(QStringLiteral("instrument %1").arg(number));
  }
  return true;
}

void Settle(TForm1& window) {
  while (window.engine.SysexSender().PendingCount() != 0 ||
         window.MidiOutput1.PendingLongCount() != 0) {
    QApplication::processEvents();
  }
}

std::size_t ByteCount(const std::vector<morvane::preset::Bytes>& strings) {
  std::size_t bytes = 0;
  for (const morvane::preset::Bytes& string : strings) {
    bytes += string.size();
  }
  return bytes;
}

// Randomize of all four layers at the amount given, a new seed each time, from the call until
// the last byte is with the simulator's driver; the undo that brings the preset back lies
// outside the time. Counts the bytes each randomize sends and their time on the wire.
void BM_RandomizeAllLayers(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend simulator;
  RecordingDriver driver(simulator);
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, driver);
  if (!OpenWindow(state, window)) {
    return;
  }
  const auto& sender = window.engine.SysexSender();
  std::uint32_t seed = 1;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    window.Variations().Randomize({morvane::parammap::RandomScope::AllLayers, 1,
                                   static_cast<int>(state.range(0)), seed++, kInstrumentCount});
    while (sender.PendingCount() != 0) {
      QApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    Settle(window);
    bytes += ByteCount(driver.TakeStrings());
    window.Undo1->trigger();
    Settle(window);
    driver.TakeStrings();
  }
  const double perRandomize = static_cast<double>(bytes) / static_cast<double>(state.iterations());
  state.counters["bytes"] = perRandomize;
  state.counters["wire_ms"] = perRandomize * 1000.0 / kWireBytesPerSecond;
}
BENCHMARK(BM_RandomizeAllLayers)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SendMouse(QSlider* slider, QEvent::Type type, int value, Qt::MouseButtons buttons) {
  const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength);
  const QPoint at(handle / 2 + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                               value, slider->width() - handle),
                  slider->height() / 2);
  QMouseEvent event(type, QPointF(at), QPointF(slider->mapToGlobal(at)), Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(slider, &event);
}

// The morph slider swept from A to B in 1 s on an injected clock: the press, a move every 5 ms
// (a mouse's rate), the release at the end. B is A with the values of the four layers moved at
// random by the amount given (10 %: a near variation; 100 %: another sound), the name kept. Counts
// the updates sent, release included, their bytes, and their time on MIDI's wire against the second
// of the sweep.
void BM_MorphSweep1s(benchmark::State& state) {
  constexpr int kSweepMs = 1000;
  constexpr int kMoveMs = 5;
  constexpr int kMoves = kSweepMs / kMoveMs;
  Application();
  morvane::midi::VirtualBackend simulator;
  RecordingDriver driver(simulator);
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  TForm1 window(noPrompt, driver);
  if (!OpenWindow(state, window)) {
    return;
  }
  morvane::test_support::FakeEditClock clock;
  window.editClock = clock.clock;
  window.Channels().Change(1, QStringLiteral("B"), [&state](morvane::preset::tMrv& image) {
    image = morvane::parammap::Randomized(
        image, {morvane::parammap::RandomScope::AllLayers, 1, static_cast<int>(state.range(0)), 7,
                kInstrumentCount});
  });
  // The module holds A, so that updates may go as edits.
  window.Channels().SendPreset(0, morvane::preset::kEditBufferPreset, QString());
  Settle(window);
  driver.TakeStrings();
  std::size_t updates = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    window.Variations().Morph1->trigger();
    morvane::editor::TMorphWindow* morph = window.Variations().MorphWindow();
    QApplication::processEvents();
    QSlider* slider = morph->Slider();
    const auto start = std::chrono::steady_clock::now();
    clock.Advance(kSweepMs);
    const std::int64_t pressed = clock.Now();
    SendMouse(slider, QEvent::MouseButtonPress, 0, Qt::LeftButton);
    for (int move = 1; move <= kMoves; ++move) {
      clock.AdvanceTo(pressed + static_cast<std::int64_t>(move) * kMoveMs);
      SendMouse(slider, QEvent::MouseMove, move * morvane::editor::TMorphWindow::kSteps / kMoves,
                Qt::LeftButton);
      QApplication::processEvents();
    }
    SendMouse(slider, QEvent::MouseButtonRelease, morvane::editor::TMorphWindow::kSteps,
              Qt::NoButton);
    while (window.engine.SysexSender().PendingCount() != 0) {
      QApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    Settle(window);
    updates += static_cast<std::size_t>(morph->UpdatesSent());
    bytes += ByteCount(driver.TakeStrings());
    morph->close();
    QApplication::processEvents();
    window.Undo1->trigger();
    Settle(window);
    driver.TakeStrings();
  }
  const double iterations = static_cast<double>(state.iterations());
  const double perSweep = static_cast<double>(bytes) / iterations;
  state.counters["updates"] = static_cast<double>(updates) / iterations;
  state.counters["bytes"] = perSweep;
  state.counters["wire_ms"] = perSweep * 1000.0 / kWireBytesPerSecond;
  state.counters["wire_share"] = perSweep / kWireBytesPerSecond;
}
BENCHMARK(BM_MorphSweep1s)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
