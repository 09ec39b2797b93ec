#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "channel_edits.h"
#include "engine/ask_user.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "sim/simulated_module.h"
#include "sim/virtual_clock.h"
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

// Lets the window and the simulator do all they can without the clock moving on.
void Settle(TForm1& window, morvane::midi::VirtualBackend& simulator) {
  constexpr int kQuietRounds = 3;
  constexpr std::chrono::microseconds kPoll{100};
  for (int quiet = 0; quiet < kQuietRounds;) {
    QApplication::processEvents(QEventLoop::AllEvents);
    if (simulator.Settled() && window.engine.SysexSender().PendingCount() == 0) {
      ++quiet;
    } else {
      quiet = 0;
      std::this_thread::sleep_for(kPoll);
    }
  }
}

// Runs the clock, wait by wait, until done holds; false when nothing is left to wait for.
bool RunUntil(morvane::sim::VirtualClock& clock, TForm1& window,
              morvane::midi::VirtualBackend& simulator, const std::function<bool()>& done) {
  for (;;) {
    Settle(window, simulator);
    if (done()) {
      return true;
    }
    if (!clock.RunNext()) {
      return false;
    }
  }
}

// Request All Presets from a module that answers each request after 1.5 s and sends at the
// rate of the MIDI wire, from the menu choice until the last preset is in. Module time runs on
// a simulated clock that holds every wait of the window (the wait for each preset) and every
// pause of the simulator (the answer's delay, the wire time of each message): the figure is
// the module time that the transfer takes, not the time the benchmark ran. bound_s is
// 1.05 x 16 x (1.5 s + one dump's wire time); right_channels counts the channels that hold the
// module's preset of their own number.
void BM_RequestAllPresetsFromALateModule(benchmark::State& state) {
  using Seconds = std::chrono::duration<double>;
  constexpr auto kAnswerDelay = std::chrono::milliseconds(1500);
  constexpr double kAllowance = 1.05;
  constexpr int kPresets = morvane::preset::kBankPresetCount;
  Application();
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  morvane::sim::VirtualClock clock;
  morvane::midi::VirtualBackend simulator(morvane::midi::VirtualBackend::Pacing::WireRate);
  simulator.SetWait([&clock](morvane::sim::VirtualClock::Time time, std::function<void()> resume) {
    clock.Start(time, std::move(resume));
  });
  YesPrompt yes;
  TForm1 window(&yes, simulator);
  window.StartTransferWait = [&clock](int ms, std::function<void()> then) {
    clock.Start(std::chrono::milliseconds(ms), std::move(then));
  };
  window.show();
  const auto name = [](int channelIndex) { return "Mod:preset " + std::to_string(channelIndex); };
  for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
    morvane::editor::testing::RenameImage(window, static_cast<std::size_t>(channelIndex),
                                          name(channelIndex));
  }
  window.SendAllPresets1->trigger();
  RunUntil(clock, window, simulator, [] { return false; });
  morvane::sim::AnswerBehaviour late;
  late.delay = kAnswerDelay;
  simulator.SetAnswerBehaviour(late);

  const Seconds bound = kAllowance * kPresets *
                        (Seconds(kAnswerDelay) +
                         std::chrono::duration_cast<Seconds>(
                             morvane::sim::SimulatedModule::WireTime(morvane::preset::kDumpSize)));
  double measured = 0;
  int rightChannels = 0;
  for (auto _ : state) {
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      morvane::editor::testing::RenameImage(window, static_cast<std::size_t>(channelIndex),
                                            "Old:preset");
    }
    const auto start = clock.Now();
    window.RequestAllPresets1->trigger();
    RunUntil(clock, window, simulator, [&window] { return !window.RequestingAllPresets(); });
    measured = Seconds(clock.Now() - start).count();
    state.SetIterationTime(measured);
    rightChannels = 0;
    for (int channelIndex = 0; channelIndex < kPresets; ++channelIndex) {
      std::string shown = name(channelIndex);
      shown.resize(morvane::preset::kNameSize, ' ');
      rightChannels += window.Channels().Image(channelIndex).ReadName() == shown ? 1 : 0;
    }
    RunUntil(clock, window, simulator, [] { return false; });
  }
  state.counters["module_s"] = measured;
  state.counters["bound_s"] = bound.count();
  state.counters["ratio_to_bound"] = measured / bound.count();
  state.counters["right_channels"] = rightChannels;
  if (rightChannels != kPresets || measured > bound.count()) {
    state.SkipWithError("Request All missed its target: see module_s, bound_s, right_channels");
  }
}
BENCHMARK(BM_RequestAllPresetsFromALateModule)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
