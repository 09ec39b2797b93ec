#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/window_application.h"
#include "engine/ask_user.h"
#include "jack_bench_session.h"
#include "tform1.h"

namespace {

using Clock = std::chrono::steady_clock;
using morvane::bench::Application;

constexpr std::chrono::seconds kPatience{10};
constexpr std::chrono::milliseconds kPollStep{5};
constexpr const char* kServerName = "morvane-bench-stall";
constexpr const char* kSimName = "morvane-bench-stall-sim";
constexpr const char* kListenerName = "morvane-bench-listener";
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr int kDumpMessages = 8;

// Says Yes to every question of the window.
class YesPrompt final : public morvane::engine::TUserPrompt {
 public:
  bool Ask(const std::string&, morvane::engine::TAskKind) override { return true; }
};

double Max(const std::vector<double>& times) {
  return *std::max_element(times.begin(), times.end());
}

// Waits for ready, pumping the window's events; false after kPatience.
template <typename Ready>
bool PumpUntil(Ready ready) {
  const auto end = Clock::now() + kPatience;
  while (!ready()) {
    if (Clock::now() > end) {
      return false;
    }
    QApplication::processEvents(QEventLoop::AllEvents, kPollStep.count());
  }
  return true;
}

// The window on the simulator's devices, as a user's next start after a session on them.
struct WindowOnJack {
  explicit WindowOnJack(const std::string& output, const std::string& input)
      : settings(morvane::bench::RememberDevices(output, input)),
        devices(morvane::bench::EditorDevices()),
        window(&prompt, *devices) {
    window.show();
  }
  bool Open() const {
    return window.MidiOutput1.State() == morvane::midi::mosOpen &&
           window.MidiInput1.State() == morvane::midi::misOpen;
  }
  std::shared_ptr<void> settings;
  std::unique_ptr<morvane::midi::DeviceList> devices;
  YesPrompt prompt;
  morvane::editor::TForm1 window;
};

// Rescan pressed while the server the chosen devices are on is stopped with SIGSTOP: from the
// click to the handler's return. The server resumes between repetitions and Rescan finds the
// devices again.
void BM_JackRescanWithStalledServer(benchmark::State& state) {
  Application();
  morvane::bench::JackBenchSession session(kServerName, kSimName);
  if (!session.Ready()) {
    state.SkipWithError("the JACK server or the simulator did not start");
    return;
  }
  WindowOnJack opened(session.ToModule(), session.FromModule());
  auto& window = opened.window;
  if (!opened.Open()) {
    state.SkipWithError("the window did not open the simulator's devices");
    return;
  }
  for (auto _ : state) {
    kill(session.ServerPid(), SIGSTOP);
    const auto start = Clock::now();
    window.rescan->click();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    kill(session.ServerPid(), SIGCONT);
    if (!PumpUntil([&] {
          window.rescan->click();
          return opened.Open();
        })) {
      state.SkipWithError("Rescan did not find the devices again after SIGCONT");
      return;
    }
  }
}
BENCHMARK(BM_JackRescanWithStalledServer)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", Max)
    ->Unit(benchmark::kMillisecond);

// A client of our own that counts the SysEx messages arriving on its port, each an event, and
// notes when the latest came.
class Listener {
 public:
  Listener() {
    client_ = jack_client_open(kListenerName, JackNoStartServer, nullptr);
    if (client_ == nullptr) {
      return;
    }
    port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &Listener::Process, this);
    ready_ = port_ != nullptr && jack_activate(client_) == 0;
  }
  ~Listener() {
    if (client_ != nullptr) {
      jack_client_close(client_);
    }
  }
  bool Ready() const { return ready_; }
  std::string PortName() const { return std::string(kListenerName) + ":in"; }
  int Messages() const { return messages_.load(); }
  Clock::time_point Latest() const { return Clock::time_point(Clock::duration(latest_.load())); }

 private:
  static int Process(jack_nframes_t frames, void* argument) {
    auto& self = *static_cast<Listener*>(argument);
    void* buffer = jack_port_get_buffer(self.port_, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t index = 0; index < count; ++index) {
      jack_midi_event_t event{};
      if (jack_midi_event_get(&event, buffer, index) == 0 && event.size > 0 &&
          event.buffer[0] == kSysexStart) {
        self.latest_.store(Clock::now().time_since_epoch().count());
        self.messages_.fetch_add(1);
      }
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  bool ready_ = false;
  std::atomic<int> messages_{0};
  std::atomic<Clock::rep> latest_{0};
};

// Send on a window whose output is a port of a second client: from the menu command to the
// second client's process thread seeing the dump's last message, its eighth JACK event.
void BM_JackDumpSendToLastEvent(benchmark::State& state) {
  Application();
  morvane::bench::JackBenchSession session(kServerName, kSimName);
  Listener listener;
  if (!session.Ready() || !listener.Ready()) {
    state.SkipWithError("the JACK server, the simulator or the listener did not start");
    return;
  }
  WindowOnJack opened(listener.PortName(), session.FromModule());
  auto& window = opened.window;
  if (window.MidiOutput1.State() != morvane::midi::mosOpen) {
    state.SkipWithError("the window did not open the listener's port");
    return;
  }
  for (auto _ : state) {
    const int before = listener.Messages();
    const auto start = Clock::now();
    window.SendCurrentChannel1->trigger();
    if (!PumpUntil([&] { return listener.Messages() >= before + kDumpMessages; })) {
      state.SkipWithError("the listener did not see the dump's eight messages");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(listener.Latest() - start).count());
  }
}
BENCHMARK(BM_JackDumpSendToLastEvent)
    ->UseManualTime()
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", Max)
    ->Unit(benchmark::kMillisecond);

}  // namespace
