#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/window_application.h"
#include "midi/backends/jack/jack_backend.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi/device_list.h"
#include "quiet_spawn.h"
#include "settings_store.h"
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

pid_t Spawn(std::vector<std::string> arguments) {
  return morvane::test_support::SpawnQuiet(std::move(arguments));
}

void End(pid_t pid, int signal) {
  if (pid > 0) {
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
  }
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

pid_t StartJack() {
  const pid_t pid = Spawn({"jackd", "--no-realtime", "-S", "-t", "5000", "-n", kServerName, "-d",
                           "dummy", "-r", "48000", "-p", "1024"});
  if (pid > 0 && !Shell("jack_wait -w -t 10 >/dev/null 2>&1")) {
    End(pid, SIGKILL);
    return -1;
  }
  return pid;
}

// The simulator's ports, as the editor's device lists show them.
const std::string kToModule = std::string(kSimName) + "-in:in";
const std::string kFromModule = std::string(kSimName) + "-out:out";

// From the SIGKILL of the JACK server under the editor's open ports on the simulator to the
// output port closed and its loss shown in the status bar. Each repetition starts a server and
// the simulator, opens the window on them through the settings, as a user's next start would,
// and kills the server.
void BM_JackKillToFailureShown(benchmark::State& state) {
  Application();
  setenv("JACK_DEFAULT_SERVER", kServerName, 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
  unsetenv("MORVANE_MIDI_API");
  for (auto _ : state) {
    const pid_t jack = StartJack();
    const pid_t simulator =
        jack > 0 ? Spawn({MORVANE_SIM_PATH, "--api", "jack", "--name", kSimName}) : -1;
    if (simulator < 0 || !Shell("for i in $(seq 100); do jack_lsp 2>/dev/null | grep -q '^" +
                                kFromModule + "' && exit 0; sleep 0.1; done; exit 1")) {
      End(jack, SIGTERM);
      End(simulator, SIGKILL);
      state.SkipWithError("the JACK server or the simulator did not start");
      return;
    }
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    {
      QSettings stored(QSettings::NativeFormat, QSettings::UserScope,
                       morvane::editor::TSettingsStore::kOrganisation,
                       morvane::editor::TSettingsStore::kApplication);
      stored.setValue(QStringLiteral("setup/out"), 1);
      stored.setValue(QStringLiteral("setup/outname"), QString::fromStdString(kToModule));
      stored.setValue(QStringLiteral("setup/in"), 1);
      stored.setValue(QStringLiteral("setup/inname"), QString::fromStdString(kFromModule));
    }
    double seconds = 0;
    bool shown = false;
    try {
      // The editor's devices: the simulator's own, then the server's.
      morvane::midi::DeviceList devices;
      devices.Add(std::make_shared<morvane::midi::VirtualBackend>());
      devices.Add(std::make_shared<morvane::midi::JackBackend>(), true);
      morvane::engine::TUserPrompt* noPrompt = nullptr;
      morvane::editor::TForm1 window(noPrompt, devices);
      window.show();
      if (window.MidiOutput1.State() == morvane::midi::mosOpen &&
          window.MidiInput1.State() == morvane::midi::misOpen) {
        const auto killed = Clock::now();
        kill(jack, SIGKILL);
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
    End(simulator, SIGKILL);
    End(jack, SIGKILL);
    // The killed server's name is taken back, and its files go.
    End(StartJack(), SIGTERM);
    Shell(std::string("rm -f /dev/shm/*") + kServerName + "* 2>/dev/null");
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
