#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/backends/jack/jack_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "quiet_spawn.h"

namespace morvane::midi {
namespace {

constexpr std::chrono::milliseconds kPatience{20000};
constexpr std::chrono::milliseconds kStopPatience{3000};
constexpr std::chrono::milliseconds kPollStep{50};
constexpr std::chrono::milliseconds kExchangeLimit{60000};
constexpr int kSessionAttempts = 3;
constexpr const char* kClientTimeoutMs = "5000";
constexpr const char* kSetupFailure = "setup: ";
constexpr int kSetupFailed = 2;
constexpr int kBankSize = 16;
constexpr std::uint8_t kRequestedPreset = 3;

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// A process this test started and stops again; what it prints goes nowhere.
class Child {
 public:
  explicit Child(std::vector<std::string> arguments)
      : pid_(test_support::SpawnQuiet(std::move(arguments))) {}
  ~Child() { Stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // Collects it once it has ended: until then the system still counts it as running (a JACK
  // server of its name would not start).
  void Reap() {
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
    }
  }
  // SIGTERM (or signal), then SIGKILL for one that does not end in time (a client left
  // stuck by its server's death). True when it ended by itself or on the first signal.
  bool Stop(int signal = SIGTERM) {
    if (pid_ <= 0) {
      return true;
    }
    int status = 0;
    kill(pid_, signal);
    const bool ended =
        WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, kStopPatience);
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return ended;
  }

 private:
  pid_t pid_ = -1;
};

::testing::AssertionResult SetupFailed(const std::string& what) {
  return ::testing::AssertionFailure() << kSetupFailure << what;
}

// A private JACK server named by JACK_DEFAULT_SERVER. A generous client timeout: on a busy
// machine a client that misses one cycle otherwise stalls the dummy driver's whole graph.
std::unique_ptr<Child> StartJack() {
  const std::string name = std::getenv("JACK_DEFAULT_SERVER");
  auto jack = std::make_unique<Child>(
      std::vector<std::string>{"jackd", "--no-realtime", "-t", kClientTimeoutMs, "-n", name, "-d",
                               "dummy", "-r", "48000", "-p", "1024"});
  if (!jack->Started() || !Shell("jack_wait -w -t 10 >/dev/null 2>&1")) {
    return nullptr;
  }
  return jack;
}

// A server that was killed leaves its name registered: one of the same name started and
// stopped in order takes it back, and the files that carry the name go.
void ReclaimServerName() {
  if (auto jack = StartJack()) {
    jack->Stop();
  }
  const std::string name = std::getenv("JACK_DEFAULT_SERVER");
  Shell("rm -f /dev/shm/*" + name + "* 2>/dev/null");
}

// The simulator as a process on the server, once its ports are there.
std::unique_ptr<Child> StartSimulator(const std::string& simName, bool paced) {
  std::vector<std::string> arguments{MORVANE_SIM_PATH, "--api", "jack", "--name", simName};
  if (paced) {
    arguments.emplace_back("--paced");
  }
  auto simulator = std::make_unique<Child>(arguments);
  if (!simulator->Started() || !WaitFor([&] {
        return Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-out:'") &&
               Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-in:'");
      })) {
    return nullptr;
  }
  return simulator;
}

// Runs body in a child process and ends it after kExchangeLimit: when jackd drops a
// session, libjack can leave a client blocked for good inside jack_client_open. A body
// that could not set its session up says so, and the session is tried afresh. meanwhile
// runs here while the child works.
::testing::AssertionResult InChildProcess(const std::function<::testing::AssertionResult()>& body,
                                          bool& setupFailed,
                                          const std::function<void()>& meanwhile = {}) {
  std::cout.flush();
  std::cerr.flush();
  setupFailed = false;
  const pid_t pid = fork();
  if (pid < 0) {
    return ::testing::AssertionFailure() << "fork failed";
  }
  if (pid == 0) {
    const ::testing::AssertionResult result = body();
    if (!result) {
      std::cerr << result.message() << std::endl;
    }
    const bool setup = std::string(result.message()).rfind(kSetupFailure, 0) == 0;
    _exit(result ? 0 : setup ? kSetupFailed : 1);
  }
  int status = 0;
  const bool finished = WaitFor(
      [&] {
        if (meanwhile) {
          meanwhile();
        }
        return waitpid(pid, &status, WNOHANG) == pid;
      },
      kExchangeLimit);
  if (!finished) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return ::testing::AssertionFailure() << "the session did not finish and was ended";
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    setupFailed = WIFEXITED(status) && WEXITSTATUS(status) == kSetupFailed;
    return ::testing::AssertionFailure() << "the session failed (its reason is printed above)";
  }
  return ::testing::AssertionSuccess();
}

// Both ports on the simulator's JACK ports, through the JACK backend, and what they report.
struct SimulatorPorts {
  explicit SimulatorPorts(const std::string& simName) : simName(simName) {
    output.OnSendFailed = [](const std::string&) {};
    output.OnMessageSent = [this](std::span<const std::uint8_t> bytes) {
      if (bytes.size() == preset::kDumpSize) {
        sentDumps.emplace_back(bytes.begin(), bytes.end());
      }
    };
    output.OnMessageRefused = [this](std::span<const std::uint8_t> bytes, const std::string& text) {
      if (bytes.size() == preset::kDumpSize) {
        refusedDumps.emplace_back(bytes.begin(), bytes.end());
        refusals.push_back(text);
      }
    };
    output.OnDeviceLost = [this](const std::string& text) { lost.push_back(text); };
    input.OnDeviceLost = [this](const std::string& text) { lost.push_back(text); };
    input.OnMidiInput = [this](TMidiInput& sender) {
      while (sender.PendingCount() != 0) {
        const auto event = sender.TakeEvent();
        received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
      }
    };
  }

  // Chooses the simulator's ports by name and opens them, the input started.
  ::testing::AssertionResult Open() {
    const std::string toModule = simName + "-in:in";
    const std::string fromModule = simName + "-out:out";
    try {
      output.SetProductName(toModule);
      input.SetProductName(fromModule);
    } catch (const std::exception& error) {
      return ::testing::AssertionFailure() << error.what();
    }
    input.SetSysexOnly(true);
    input.SetSysexBufferCount(32);
    if (!output.OpenPort()) {
      return ::testing::AssertionFailure() << "the output port did not open";
    }
    input.OpenPort();
    if (input.State() != misOpen) {
      return ::testing::AssertionFailure() << "the input port did not open";
    }
    input.StartInput();
    return ::testing::AssertionSuccess();
  }

  // Sends the request and waits for the whole dump.
  bool RequestDump() {
    received.clear();
    output.SendLong(preset::DumpRequestMessage(kRequestedPreset));
    return gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience) &&
           received.size() == preset::kDumpSize && received.front() == preset::kSysexStart &&
           received[preset::kPresetNumberOffset] == kRequestedPreset &&
           received.back() == preset::kSysexEnd;
  }

  std::string simName;
  JackBackend system{"morvane-test-editor"};
  QueuedGuiThread gui;
  TMidiOutput output{gui, system};
  TMidiInput input{gui, system};
  std::vector<std::uint8_t> received;
  std::vector<std::vector<std::uint8_t>> sentDumps;
  std::vector<std::vector<std::uint8_t>> refusedDumps;
  std::vector<std::string> refusals;
  std::vector<std::string> lost;
};

std::vector<std::uint8_t> Dump(std::uint8_t fill) {
  std::vector<std::uint8_t> dump(preset::kDumpSize, fill);
  dump.front() = preset::kSysexStart;
  dump.back() = preset::kSysexEnd;
  return dump;
}

std::string Tag(int attempt) {
  return std::to_string(getpid()) + "-" + std::to_string(attempt);
}

void UseServer(const std::string& server) {
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
}

// One whole session: a private JACK server, the simulator as a process, and a dump
// requested and received through the ports on the JACK backend in a child process.
::testing::AssertionResult RequestDumpOverJack(int attempt, bool& setupFailed) {
  const std::string simName = "morvane-sim-" + Tag(attempt);
  UseServer("morvane-test-" + Tag(attempt));
  const auto jack = StartJack();
  const auto simulator = jack ? StartSimulator(simName, false) : nullptr;
  if (!simulator) {
    setupFailed = true;
    return ::testing::AssertionFailure() << "the server or the simulator did not start";
  }
  return InChildProcess(
      [&]() -> ::testing::AssertionResult {
        SimulatorPorts ports(simName);
        if (const auto opened = ports.Open(); !opened) {
          return SetupFailed(opened.message());
        }
        if (!ports.RequestDump()) {
          return SetupFailed("received " + std::to_string(ports.received.size()) + " bytes");
        }
        return ::testing::AssertionSuccess();
      },
      setupFailed);
}

// jackd's dummy driver can drop a session for good when the machine is loaded (a
// client misses its cycle and the graph stops); a fresh server is then tried, and
// the test fails only when every session fails.
::testing::AssertionResult WithFreshSessions(
    const std::function<::testing::AssertionResult(int attempt, bool& setupFailed)>& session) {
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  bool setupFailed = true;
  for (int attempt = 1; attempt <= kSessionAttempts && !result && setupFailed; ++attempt) {
    result = session(attempt, setupFailed);
    if (!result) {
      std::cerr << "JACK session " << attempt << " failed: " << result.message() << "\n";
    }
  }
  return result;
}

TEST(JackSession, DumpRequestedFromTheSimulatorProcessArrivesWhole) {
  if (!Shell("command -v jackd >/dev/null 2>&1")) {
    GTEST_SKIP() << "jackd is not installed";
  }
  EXPECT_TRUE(WithFreshSessions(RequestDumpOverJack));
}

// When the server goes: what the ports are doing then.
enum class Phase { Idle, Sending, Receiving };

struct LossCase {
  const char* name;
  int signal;
  Phase phase;
  // The server and the simulator start again, and the ports find them by name.
  bool comesBack;
};

// The server is stopped or killed under open ports: idle, half way through a bank sent dump
// by dump, or while a dump arrives. Then a bank's worth of dumps is sent at once, before the
// loss has been heard of. Both ports must be told and closed, and every dump reported exactly
// once: sent, or not sent with a reason.
::testing::AssertionResult LoseTheServer(const LossCase& test, SimulatorPorts& ports, Child& jack) {
  constexpr std::uint8_t kBefore = 0x11;
  constexpr std::uint8_t kAfter = 0x22;
  if (const auto opened = ports.Open(); !opened) {
    return SetupFailed(opened.message());
  }
  int attempted = 0;
  if (test.phase == Phase::Sending) {
    for (; attempted < kBankSize / 2; ++attempted) {
      ports.output.SendLong(Dump(kBefore));
      const auto sent = static_cast<std::size_t>(attempted) + 1;
      if (!ports.gui.PumpUntil([&] { return ports.sentDumps.size() == sent; }, kPatience)) {
        return SetupFailed("a dump did not go out");
      }
    }
  } else if (test.phase == Phase::Receiving) {
    ports.output.SendLong(preset::DumpRequestMessage(kRequestedPreset));
    if (!ports.gui.PumpUntil([&] { return !ports.received.empty(); }, kPatience)) {
      return SetupFailed("no dump began to arrive");
    }
  }
  kill(jack.Pid(), test.signal);
  for (int i = 0; i < kBankSize; ++i, ++attempted) {
    try {
      ports.output.SendLong(Dump(kAfter));
    } catch (const EmidioutputError&) {
      // Refused at once: counted by the tap like any message not sent.
    }
  }
  if (!ports.gui.PumpUntil([&] { return ports.lost.size() == 2; }, kPatience)) {
    return ::testing::AssertionFailure() << "told of " << ports.lost.size() << " lost devices";
  }
  ports.gui.PumpPending();
  for (const std::string& text : ports.lost) {
    if (text != "The JACK server stopped") {
      return ::testing::AssertionFailure() << "lost with \"" << text << "\"";
    }
  }
  if (ports.output.State() != mosClosed || ports.input.State() != misClosed) {
    return ::testing::AssertionFailure() << "a port stayed open";
  }
  const auto reported = ports.sentDumps.size() + ports.refusedDumps.size();
  if (reported != static_cast<std::size_t>(attempted) || ports.output.PendingLongCount() != 0) {
    return ::testing::AssertionFailure()
           << attempted << " dumps sent, " << ports.sentDumps.size() << " reported sent, "
           << ports.refusedDumps.size() << " not sent, " << ports.output.PendingLongCount()
           << " never reported";
  }
  for (const std::string& text : ports.refusals) {
    if (text.empty()) {
      return ::testing::AssertionFailure() << "a dump was not sent without a reason";
    }
  }
  // A killed server runs no cycle after its death: nothing queued then went out.
  if (test.signal == SIGKILL) {
    for (const auto& dump : ports.sentDumps) {
      if (dump[1] == kAfter) {
        return ::testing::AssertionFailure() << "a dump queued after the kill was reported sent";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult LossSession(const LossCase& test, int attempt, bool& setupFailed) {
  const std::string simName = "morvane-sim-" + Tag(attempt);
  UseServer("morvane-loss-" + Tag(attempt));
  auto jack = StartJack();
  auto simulator = jack ? StartSimulator(simName, test.phase == Phase::Receiving) : nullptr;
  if (!simulator) {
    setupFailed = true;
    return ::testing::AssertionFailure() << "the server or the simulator did not start";
  }
  const pid_t jackPid = jack->Pid();
  const pid_t simulatorPid = simulator->Pid();
  const ::testing::AssertionResult result = InChildProcess(
      [&]() -> ::testing::AssertionResult {
        SimulatorPorts ports(simName);
        if (auto lost = LoseTheServer(test, ports, *jack); !lost) {
          return lost;
        }
        if (!test.comesBack) {
          return ::testing::AssertionSuccess();
        }
        // The old server must be gone, and collected by the test, before one of its name
        // starts; a killed one's name is taken back by the new one. The old simulator goes
        // too: a client of a dead server disturbs a new one of its name.
        kill(simulatorPid, SIGKILL);
        if (!WaitFor([&] { return kill(jackPid, 0) != 0; })) {
          return SetupFailed("the stopped server did not end");
        }
        const auto again = StartJack();
        if (!again) {
          return SetupFailed("the server did not start again");
        }
        const auto simulatorAgain = StartSimulator(simName, false);
        if (!simulatorAgain) {
          return SetupFailed("the simulator did not start again");
        }
        ::testing::AssertionResult reopened = ::testing::AssertionFailure();
        WaitFor([&] { return reopened = ports.Open(); });
        if (!reopened) {
          return ::testing::AssertionFailure()
                 << "the ports did not find the devices again: " << reopened.message();
        }
        if (!ports.RequestDump()) {
          return ::testing::AssertionFailure()
                 << "the dump came back with " << ports.received.size() << " bytes";
        }
        return ::testing::AssertionSuccess();
      },
      setupFailed, [&] { jack->Reap(); });
  // The child killed or stopped the server; it is collected here. The simulator, a client of
  // RtMidi's, can be left spinning by its server's death.
  jack->Stop();
  simulator->Stop(SIGKILL);
  if (test.signal == SIGKILL && !(test.comesBack && result)) {
    ReclaimServerName();
  }
  return result;
}

TEST(JackSession, AServerThatStopsOrDiesIsReportedAndNoSendIsLost) {
  if (!Shell("command -v jackd >/dev/null 2>&1")) {
    GTEST_SKIP() << "jackd is not installed";
  }
  const LossCase cases[] = {
      {"stopped while idle, then back", SIGTERM, Phase::Idle, true},
      {"killed while idle, then back", SIGKILL, Phase::Idle, true},
      {"stopped while sending a bank", SIGTERM, Phase::Sending, false},
      {"killed while sending a bank", SIGKILL, Phase::Sending, false},
      {"stopped while a dump arrives", SIGTERM, Phase::Receiving, false},
      {"killed while a dump arrives", SIGKILL, Phase::Receiving, false},
  };
  for (const LossCase& test : cases) {
    EXPECT_TRUE(WithFreshSessions([&](int attempt, bool& setupFailed) {
      return LossSession(test, attempt, setupFailed);
    })) << test.name;
  }
}

}  // namespace
}  // namespace morvane::midi
