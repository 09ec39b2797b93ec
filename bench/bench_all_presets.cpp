#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>

#include "engine/ask_user.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "sim/simulated_module.h"
#include "tform1.h"
#include "window_application.h"

namespace {

using morvane::editor::TForm1;

using morvane::bench::Application;

class YesPrompt final : public morvane::engine::TUserPrompt {
 public:
  bool Ask(const std::string& /*text*/, morvane::engine::TAskKind /*kind*/) override {
    return true;
  }
};

// Request All Presets from the simulator answering at the rate of the MIDI wire, from the menu
// choice until the last image is taken. wire_ms is what the wire alone needs: each request
// and each dump, one after the other; ratio is the measured time over it.
void BM_RequestAllPresetsAtWireRate(benchmark::State& state) {
  Application();
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  morvane::midi::VirtualBackend simulator(morvane::midi::VirtualBackend::Pacing::WireRate);
  YesPrompt yes;
  TForm1 window(&yes, simulator);
  window.show();
  using Seconds = std::chrono::duration<double>;
  const Seconds wire = morvane::preset::kBankPresetCount *
                       std::chrono::duration_cast<Seconds>(morvane::sim::SimulatedModule::WireTime(
                           morvane::preset::kDumpSize + morvane::preset::kDumpRequestSize));
  double measured = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    window.RequestAllPresets1->trigger();
    while (window.RequestingAllPresets()) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    measured = Seconds(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(measured);
  }
  state.counters["wire_ms"] = wire.count() * 1000;
  state.counters["ratio"] = measured / wire.count();
}
BENCHMARK(BM_RequestAllPresetsAtWireRate)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
