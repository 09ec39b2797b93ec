#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "jack_test_support.h"
#include "midi/backends/jack/jack_backend.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi/device_list.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "quiet_spawn.h"

namespace morvane::midi {
namespace {

using namespace jack_test;
using Clock = std::chrono::steady_clock;

// A whole session (server, simulator and the exchange) must end within this, several
// sessions within the test's time limit.
constexpr std::chrono::milliseconds kSessionLimit{60000};
constexpr std::chrono::seconds kAllSessionsLimit{150};
constexpr int kSessionAttempts = 3;
constexpr const char* kSetupFailure = "setup: ";
constexpr int kSetupFailed = 2;
constexpr int kBankSize = 16;
constexpr std::uint8_t kRequestedPreset = 3;
// What a user may wait for a window, a Rescan, a device choice or a close while the server
// is stalled.
constexpr std::chrono::milliseconds kStallBound{1000};
constexpr const char* kNotAnswering = "The JACK server does not answer";

::testing::AssertionResult SetupFailed(const std::string& what) {
  return ::testing::AssertionFailure() << kSetupFailure << what;
}

bool SimulatorPortsThere(const std::string& simName) {
  return Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-out:out$'") &&
         Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-in:in$'");
}

// Why a session's server or simulator is not there, in words.
std::string NotStarted(const std::unique_ptr<JackServer>& jack) {
  return jack ? "the simulator's ports did not appear within " + std::to_string(kPatience.count()) +
                    " ms"
              : std::string("the JACK server did not start within 10 s");
}

// Where the simulator logs every message and what befell its ports.
std::string SimulatorLog(const std::string& simName) {
  return ::testing::TempDir() + simName + ".log";
}

// The simulator's log, for the message of a session that failed; the file goes.
std::string TakeSimulatorLog(const std::string& simName) {
  std::ifstream file(SimulatorLog(simName));
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    lines.push_back(line);
  }
  std::filesystem::remove(SimulatorLog(simName));
  constexpr std::size_t kShownLines = 12;
  std::string shown;
  for (std::size_t i = lines.size() > kShownLines ? lines.size() - kShownLines : 0;
       i < lines.size(); ++i) {
    shown += "\n  sim: " + lines[i];
  }
  return shown;
}

// The simulator as a process on the server, once its ports are there.
std::unique_ptr<Child> StartSimulator(const std::string& simName, bool paced) {
  std::vector<std::string> arguments{MORVANE_SIM_PATH, "--api", "jack",
                                     "--name",         simName, "--verbose"};
  if (paced) {
    arguments.emplace_back("--paced");
  }
  auto simulator = std::make_unique<Child>(arguments, SimulatorLog(simName));
  if (!simulator->Started() || !WaitFor([&] { return SimulatorPortsThere(simName); })) {
    return nullptr;
  }
  return simulator;
}

// Runs body in a child process and ends it after kSessionLimit: a body that hangs fails the
// test with a message rather than at ctest's limit. A body that could not set its session up
// says so, and the session is tried afresh. meanwhile runs here while the child works.
::testing::AssertionResult InChildProcess(const std::function<::testing::AssertionResult()>& body,
                                          bool& setupFailed,
                                          const std::function<void()>& meanwhile = {}) {
  std::cout.flush();
  std::cerr.flush();
  setupFailed = false;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    return ::testing::AssertionFailure() << "fork failed";
  }
  if (pid == 0) {
    test_support::DieWithParent(parent);
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    try {
      result = body();
    } catch (const std::exception& error) {
      result = ::testing::AssertionFailure() << "raised: " << error.what();
    }
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
      kSessionLimit);
  if (!finished) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return ::testing::AssertionFailure()
           << "the session did not finish within " << kSessionLimit.count() << " ms and was ended";
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

  // Chooses the simulator's ports by name and opens them, the input started, as a Rescan does.
  ::testing::AssertionResult Open() {
    const std::string toModule = simName + "-in:in";
    const std::string fromModule = simName + "-out:out";
    try {
      input.StopInput();
      input.ClosePort();
      output.ClosePort();
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

// New ports on the simulator, made once the server lists its devices: a backend lists none
// while a call to a server slowed by a loaded machine or a stall is still overdue. Null when it
// did not within kPatience.
std::unique_ptr<SimulatorPorts> PortsAgain(const std::string& simName) {
  std::unique_ptr<SimulatorPorts> ports;
  WaitFor([&] {
    try {
      ports = std::make_unique<SimulatorPorts>(simName);
    } catch (const EMidiInputError&) {
      // No input device listed yet.
    }
    return ports != nullptr;
  });
  return ports;
}

// Opens the ports once the server lists the simulator's devices; the last reason why not after
// kPatience.
::testing::AssertionResult OpenWhenListed(SimulatorPorts& ports) {
  ::testing::AssertionResult opened = ::testing::AssertionFailure();
  WaitFor([&] { return opened = ports.Open(); });
  return opened;
}

std::vector<std::uint8_t> Dump(std::uint8_t fill) {
  std::vector<std::uint8_t> dump(preset::kDumpSize, fill);
  dump.front() = preset::kSysexStart;
  dump.back() = preset::kSysexEnd;
  return dump;
}

// One whole session: a private JACK server, the simulator as a process, and a dump
// requested and received through the ports on the JACK backend in a child process.
::testing::AssertionResult RequestDumpOverJack(int attempt, bool& setupFailed) {
  const std::string simName = UniqueName("morvane-sim", attempt);
  UseServer(UniqueName("morvane-test", attempt));
  const auto jack = JackServer::Start();
  const auto simulator = jack ? StartSimulator(simName, false) : nullptr;
  if (!simulator) {
    setupFailed = true;
    return ::testing::AssertionFailure() << NotStarted(jack) << TakeSimulatorLog(simName);
  }
  auto result = InChildProcess(
      [&]() -> ::testing::AssertionResult {
        const auto ports = PortsAgain(simName);
        if (!ports) {
          return SetupFailed("the simulator's devices were not listed");
        }
        if (const auto opened = OpenWhenListed(*ports); !opened) {
          return SetupFailed(opened.message());
        }
        if (!ports->RequestDump()) {
          return SetupFailed("received " + std::to_string(ports->received.size()) + " bytes");
        }
        return ::testing::AssertionSuccess();
      },
      setupFailed);
  const std::string log = TakeSimulatorLog(simName);
  return result ? result : ::testing::AssertionFailure() << result.message() << log;
}

// jackd's dummy driver can drop a session for good when the machine is loaded (a
// client misses its cycle and the graph stops); a fresh server is then tried, and
// the test fails only when every session fails, or the sessions ran out of time.
::testing::AssertionResult WithFreshSessions(
    const std::function<::testing::AssertionResult(int attempt, bool& setupFailed)>& session) {
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  bool setupFailed = true;
  const auto end = Clock::now() + kAllSessionsLimit;
  for (int attempt = 1;
       attempt <= kSessionAttempts && !result && setupFailed && Clock::now() + kSessionLimit < end;
       ++attempt) {
    result = session(attempt, setupFailed);
    if (!result) {
      std::cerr << "JACK session " << attempt << " failed: " << result.message() << "\n";
    }
  }
  return result;
}

TEST(JackSession, DumpRequestedFromTheSimulatorProcessArrivesWhole) {
  if (!JackInstalled()) {
    GTEST_SKIP() << "jackd is not installed";
  }
  EXPECT_TRUE(WithFreshSessions(RequestDumpOverJack));
}

// When the server goes: what the ports are doing then.
enum class Phase { Idle, Sending, Receiving };

struct LossCase {
  const char* name;
  // SIGTERM stops the server, SIGKILL kills it, SIGSTOP stalls it until SIGCONT.
  int signal;
  Phase phase;
  // The server starts again (or resumes), and the ports find the simulator again by name.
  bool comesBack;
};

std::ostream& operator<<(std::ostream& out, const LossCase& test) {
  return out << test.name;
}

// Every dump sent is reported exactly once: sent, or not sent with a reason.
::testing::AssertionResult EveryDumpReported(SimulatorPorts& ports, int attempted) {
  ports.gui.PumpPending();
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
  return ::testing::AssertionSuccess();
}

// Sends half a bank dump by dump, each one confirmed before the next.
::testing::AssertionResult SendHalfABank(SimulatorPorts& ports, std::uint8_t fill, int& attempted) {
  for (int i = 0; i < kBankSize / 2; ++i, ++attempted) {
    ports.output.SendLong(Dump(fill));
    const auto sent = ports.sentDumps.size() + 1;
    if (!ports.gui.PumpUntil([&] { return ports.sentDumps.size() == sent; }, kPatience)) {
      return SetupFailed("a dump did not go out within " + std::to_string(kPatience.count()) +
                         " ms");
    }
  }
  return ::testing::AssertionSuccess();
}

// A bank's worth of dumps at once, as a user's commands may queue them.
void SendABank(SimulatorPorts& ports, std::uint8_t fill, int& attempted) {
  for (int i = 0; i < kBankSize; ++i, ++attempted) {
    try {
      ports.output.SendLong(Dump(fill));
    } catch (const EmidioutputError&) {
      // Refused at once: counted by the tap like any message not sent.
    }
  }
}

// The server is stopped or killed under open ports: idle, half way through a bank sent dump
// by dump, or while a dump arrives. Then a bank's worth of dumps is sent at once, before the
// loss has been heard of. Both ports must be told and closed, and every dump reported exactly
// once: sent, or not sent with a reason.
::testing::AssertionResult LoseTheServer(const LossCase& test, SimulatorPorts& ports,
                                         JackServer& jack) {
  constexpr std::uint8_t kBefore = 0x11;
  constexpr std::uint8_t kAfter = 0x22;
  if (const auto opened = OpenWhenListed(ports); !opened) {
    return SetupFailed(opened.message());
  }
  int attempted = 0;
  if (test.phase == Phase::Sending) {
    if (auto sent = SendHalfABank(ports, kBefore, attempted); !sent) {
      return sent;
    }
  } else if (test.phase == Phase::Receiving) {
    ports.output.SendLong(preset::DumpRequestMessage(kRequestedPreset));
    if (!ports.gui.PumpUntil([&] { return !ports.received.empty(); }, kPatience)) {
      return SetupFailed("no dump began to arrive");
    }
  }
  kill(jack.Pid(), test.signal);
  SendABank(ports, kAfter, attempted);
  if (!ports.gui.PumpUntil([&] { return ports.lost.size() == 2; }, kPatience)) {
    return ::testing::AssertionFailure() << "told of " << ports.lost.size() << " lost devices";
  }
  for (const std::string& text : ports.lost) {
    if (text != "The JACK server stopped") {
      return ::testing::AssertionFailure() << "lost with \"" << text << "\"";
    }
  }
  if (ports.output.State() != mosClosed || ports.input.State() != misClosed) {
    return ::testing::AssertionFailure() << "a port stayed open";
  }
  if (auto reported = EveryDumpReported(ports, attempted); !reported) {
    return reported;
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

template <typename Action>
std::chrono::milliseconds Timed(Action action) {
  const auto start = Clock::now();
  action();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// What a user met while the server was stalled: it took no longer than bound, and the backend
// says why the server's devices are not there.
::testing::AssertionResult MetTheStall(const std::string& what, std::chrono::milliseconds took,
                                       std::chrono::milliseconds bound,
                                       const std::string& trouble) {
  if (took > bound) {
    return ::testing::AssertionFailure()
           << what << " took " << took.count() << " ms with the server stalled, more than "
           << bound.count() << " ms";
  }
  if (trouble != kNotAnswering) {
    return ::testing::AssertionFailure()
           << what << " with the server stalled left the trouble \"" << trouble << "\"";
  }
  return ::testing::AssertionSuccess();
}

// What Rescan does with the ports, in its order: the input closed, the devices counted again,
// what the ports were told meanwhile, then the chosen devices opened again by name. A device that
// is not there is part of it.
void Rescan(SimulatorPorts& ports) {
  ports.input.StopInput();
  ports.input.ClosePort();
  ports.output.RefreshDeviceCount();
  ports.input.RefreshDeviceCount();
  ports.gui.PumpPending();
  static_cast<void>(ports.Open());
}

// After SIGCONT: Rescan finds the simulator's devices again by name, and a dump comes back. A
// server just resumed on a loaded machine can miss a deadline once more; what a user does on
// "The JACK server does not answer" is Rescan again, and so does this, a few times.
::testing::AssertionResult BackAfterStall(const std::string& what, SimulatorPorts& ports) {
  constexpr int kRescans = 3;
  for (int rescan = 1;; ++rescan) {
    if (const auto back = OpenWhenListed(ports); !back) {
      return ::testing::AssertionFailure() << "after " << what
                                           << " and SIGCONT, Rescan did not find the devices "
                                              "again: "
                                           << back.message();
    }
    if (ports.RequestDump()) {
      return ::testing::AssertionSuccess();
    }
    const bool onlyUnanswered = std::ranges::all_of(
        ports.lost, [](const std::string& text) { return text == kNotAnswering; });
    if (!onlyUnanswered || rescan == kRescans) {
      auto failure = ::testing::AssertionFailure()
                     << "after " << what << " and SIGCONT, the dump came back with "
                     << ports.received.size() << " bytes after " << rescan
                     << " Rescans; the ports were told:";
      for (const std::string& text : ports.lost) {
        failure << " \"" << text << "\"";
      }
      return failure;
    }
    ports.lost.clear();
    Rescan(ports);
  }
}

// The editor's devices as it starts: the simulator in process and the server's, both ports
// made and every device named.
struct StartedDevices {
  StartedDevices() {
    devices.Add(std::make_shared<VirtualBackend>());
    devices.Add(jack, true);
    output = std::make_unique<TMidiOutput>(gui, devices);
    input = std::make_unique<TMidiInput>(gui, devices);
    for (std::int32_t id = 0; id < static_cast<std::int32_t>(devices.OutGetNumDevs()); ++id) {
      MidiOutCaps caps;
      devices.OutGetDevCaps(id, caps);
    }
    for (std::uint32_t id = 0; id < devices.InGetNumDevs(); ++id) {
      MidiInCaps caps;
      devices.InGetDevCaps(id, caps);
    }
  }
  std::shared_ptr<JackBackend> jack = std::make_shared<JackBackend>("morvane-test-start");
  DeviceList devices;
  QueuedGuiThread gui;
  std::unique_ptr<TMidiOutput> output;
  std::unique_ptr<TMidiInput> input;
};

// The server is stalled with SIGSTOP under open ports, three times, and each time a user's
// action is the first to meet it, within its bound: Rescan (with a bank's dumps queued
// meanwhile, each reported once), choosing a device, and closing, then a start-up, which may
// take at most the bound longer than one with no server at all. After each SIGCONT, Rescan finds
// the simulator's devices again by name.
::testing::AssertionResult StallTheServer(const std::string& simName, JackServer& jack,
                                          const std::string& server) {
  constexpr std::uint8_t kBefore = 0x11;
  constexpr std::uint8_t kDuringStall = 0x33;
  auto ports = PortsAgain(simName);
  if (!ports) {
    return SetupFailed("the simulator's devices were not listed");
  }
  if (const auto opened = OpenWhenListed(*ports); !opened) {
    return SetupFailed(opened.message());
  }
  int attempted = 0;
  if (auto sent = SendHalfABank(*ports, kBefore, attempted); !sent) {
    return sent;
  }

  if (!StopProcess(jack.Pid())) {
    return SetupFailed("the server did not stop on SIGSTOP");
  }
  const auto rescanTook = Timed([&] {
    SendABank(*ports, kDuringStall, attempted);
    Rescan(*ports);
  });
  const std::string rescanTrouble = ports->system.DeviceTrouble();
  ports->gui.PumpPending();
  kill(jack.Pid(), SIGCONT);
  if (auto met = MetTheStall("Rescan", rescanTook, kStallBound, rescanTrouble); !met) {
    return met;
  }
  // The output was given up under its queued dumps, which say why; had Rescan not closed it
  // first, it was told so itself.
  if (auto reported = EveryDumpReported(*ports, attempted); !reported) {
    return reported;
  }
  for (std::size_t i = 0; i < ports->refusedDumps.size(); ++i) {
    if (ports->refusedDumps[i][1] == kDuringStall && ports->refusals[i] != kNotAnswering) {
      return ::testing::AssertionFailure()
             << "a dump queued while the server was stalled was not sent with \""
             << ports->refusals[i] << "\"";
    }
  }
  for (const std::string& text : ports->lost) {
    if (text != kNotAnswering) {
      return ::testing::AssertionFailure() << "the output was told \"" << text << "\"";
    }
  }
  if (auto back = BackAfterStall("Rescan", *ports); !back) {
    return back;
  }

  if (!StopProcess(jack.Pid())) {
    return SetupFailed("the server did not stop on SIGSTOP");
  }
  const auto choiceTook = Timed([&] {
    try {
      ports->output.ClosePort();
      ports->output.SetProductName(simName + "-in:in");
      ports->output.OpenPort();
    } catch (const EmidioutputError&) {
      // The device is not listed while the server does not answer.
    }
  });
  const std::string choiceTrouble = ports->system.DeviceTrouble();
  kill(jack.Pid(), SIGCONT);
  if (auto met = MetTheStall("Choosing a device", choiceTook, kStallBound, choiceTrouble); !met) {
    return met;
  }
  if (auto back = BackAfterStall("choosing a device", *ports); !back) {
    return back;
  }

  if (!StopProcess(jack.Pid())) {
    return SetupFailed("the server did not stop on SIGSTOP");
  }
  SendABank(*ports, kDuringStall, attempted);
  const auto closeTook = Timed([&] { ports.reset(); });
  UseServer(server + "-none");
  std::unique_ptr<StartedDevices> started;
  const auto noServerTook = Timed([&] { started = std::make_unique<StartedDevices>(); });
  started.reset();
  UseServer(server);
  const auto stalledTook = Timed([&] { started = std::make_unique<StartedDevices>(); });
  const std::string startTrouble = started->jack->DeviceTrouble();
  const auto closeStartedTook = Timed([&] { started.reset(); });
  kill(jack.Pid(), SIGCONT);
  if (auto met = MetTheStall("Closing", closeTook, kStallBound, kNotAnswering); !met) {
    return met;
  }
  if (auto met = MetTheStall("Starting", stalledTook, noServerTook + kStallBound, startTrouble);
      !met) {
    return met << " (" << noServerTook.count() << " ms with no server)";
  }
  if (auto met =
          MetTheStall("Closing after the start", closeStartedTook, kStallBound, kNotAnswering);
      !met) {
    return met;
  }
  ports = PortsAgain(simName);
  if (!ports) {
    return ::testing::AssertionFailure() << "after a start-up and SIGCONT, no device was listed";
  }
  return BackAfterStall("a start-up", *ports);
}

::testing::AssertionResult LossSession(const LossCase& test, int attempt, bool& setupFailed) {
  const std::string simName = UniqueName("morvane-sim", attempt);
  const std::string server = UniqueName("morvane-loss", attempt);
  UseServer(server);
  auto jack = JackServer::Start();
  auto simulator = jack ? StartSimulator(simName, test.phase == Phase::Receiving) : nullptr;
  if (!simulator) {
    setupFailed = true;
    return ::testing::AssertionFailure() << NotStarted(jack) << TakeSimulatorLog(simName);
  }
  const pid_t jackPid = jack->Pid();
  const ::testing::AssertionResult result = InChildProcess(
      [&]() -> ::testing::AssertionResult {
        if (test.signal == SIGSTOP) {
          return StallTheServer(simName, *jack, server);
        }
        const auto listed = PortsAgain(simName);
        if (!listed) {
          return SetupFailed("the simulator's devices were not listed");
        }
        SimulatorPorts& ports = *listed;
        if (auto lost = LoseTheServer(test, ports, *jack); !lost) {
          return lost;
        }
        if (!test.comesBack) {
          return ::testing::AssertionSuccess();
        }
        // The old server must be gone, and collected by the test, before one of its name
        // starts; a killed one's name is taken back by the new one. The simulator stays: it
        // waits for a server and makes its ports again.
        if (!WaitFor([&] { return kill(jackPid, 0) != 0; })) {
          return SetupFailed("the stopped server did not end");
        }
        const auto again = JackServer::Start();
        if (!again) {
          return SetupFailed("the server did not start again");
        }
        if (!WaitFor([&] { return SimulatorPortsThere(simName); })) {
          return ::testing::AssertionFailure()
                 << "the simulator did not make its ports on the new server";
        }
        if (const auto reopened = OpenWhenListed(ports); !reopened) {
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
  // The child killed, stopped or stalled the server; it is collected here, after the
  // simulator, which must have lived through it.
  const bool simulatorLived = kill(simulator->Pid(), 0) == 0;
  simulator->Stop();
  if (test.signal == SIGKILL) {
    jack->Killed();
  }
  jack->Stop();
  const std::string log = TakeSimulatorLog(simName);
  if (result && !simulatorLived) {
    return ::testing::AssertionFailure() << "the simulator did not outlive its server" << log;
  }
  return result ? result : ::testing::AssertionFailure() << result.message() << log;
}

class JackLoss : public ::testing::TestWithParam<LossCase> {};

TEST_P(JackLoss, IsReportedAndNoSendIsLost) {
  if (!JackInstalled()) {
    GTEST_SKIP() << "jackd is not installed";
  }
  EXPECT_TRUE(WithFreshSessions([&](int attempt, bool& setupFailed) {
    return LossSession(GetParam(), attempt, setupFailed);
  }));
}

INSTANTIATE_TEST_SUITE_P(
    JackSession, JackLoss,
    ::testing::Values(LossCase{"StoppedWhileIdleThenBack", SIGTERM, Phase::Idle, true},
                      LossCase{"KilledWhileIdleThenBack", SIGKILL, Phase::Idle, true},
                      LossCase{"StoppedWhileSendingABank", SIGTERM, Phase::Sending, false},
                      LossCase{"KilledWhileSendingABank", SIGKILL, Phase::Sending, false},
                      LossCase{"StoppedWhileADumpArrives", SIGTERM, Phase::Receiving, false},
                      LossCase{"KilledWhileADumpArrives", SIGKILL, Phase::Receiving, false},
                      LossCase{"StalledThenResumed", SIGSTOP, Phase::Sending, true}),
    [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morvane::midi
