#include <benchmark/benchmark.h>
#include <signal.h>

#include <QApplication>
#include <QStatusBar>
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench/window_application.h"
#include "jack_bench_session.h"
#include "tform1.h"

namespace {

using Clock = std::chrono::steady_clock;
using morvane::bench::Application;

constexpr std::chrono::seconds kPatience{10};
constexpr std::chrono::milliseconds kPollStep{20};
// One name, started and stopped in order after each kill, so that killed servers do not use up
// JACK's server slots.
constexpr const char* kServerName = "morvane-bench-loss";
constexpr const char* kSimName = "morvane-bench-sim";

// From the SIGKILL of the JACK server under the editor's open ports on the simulator to the
// output port closed and its loss shown in the status bar. Each repetition starts a server and
// the simulator, opens the window on them through the settings, as a user's next start would,
// and kills the server.
void BM_JackKillToFailureShown(benchmark::State& state) {
  Application();
  for (auto _ : state) {
    morvane::bench::JackBenchSession session(kServerName, kSimName);
    if (!session.Ready()) {
      state.SkipWithError("the JACK server or the simulator did not start");
      return;
    }
    const auto settings = morvane::bench::RememberDevices(session.ToModule(), session.FromModule());
    double seconds = 0;
    bool shown = false;
    try {
      const auto devices = morvane::bench::EditorDevices();
      morvane::engine::TUserPrompt* noPrompt = nullptr;
      morvane::editor::TForm1 window(noPrompt, *devices);
      window.show();
      if (window.MidiOutput1.State() == morvane::midi::mosOpen &&
          window.MidiInput1.State() == morvane::midi::misOpen) {
        const auto killed = Clock::now();
        session.KillServer();
        while (Clock::now() - killed < kPatience) {
          QApplication::processEvents(QEventLoop::AllEvents, kPollStep.count());
          if (window.MidiOutput1.State() == morvane::midi::mosClosed &&
              window.StatusBar1->currentMessage().contains(QStringLiteral("went away"))) {
            shown = true;
            break;
          }
        }
        seconds = std::chrono::duration<double>(Clock::now() - killed).count();
      }
    } catch (const std::exception&) {
      // The window could not start on the devices: reported below as not shown.
    }
    if (!shown) {
      state.SkipWithError("the loss was not shown");
      return;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_JackKillToFailureShown)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max",
                        [](const std::vector<double>& times) {
                          return *std::max_element(times.begin(), times.end());
                        })
    ->Unit(benchmark::kMillisecond);

}  // namespace
