#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "midi/backends/jack/jack_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"

extern char** environ;

namespace morvane::midi {
namespace {

constexpr std::chrono::milliseconds kPatience{20000};
constexpr std::chrono::milliseconds kPollStep{50};
constexpr std::chrono::milliseconds kExchangeLimit{60000};
constexpr int kSessionAttempts = 3;
constexpr const char* kClientTimeoutMs = "5000";

// A process this test started and stops again.
class Child {
 public:
  explicit Child(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

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

// Runs body in a child process and ends it after kExchangeLimit: when jackd drops a
// session, libjack can leave a client blocked for good inside jack_client_open.
::testing::AssertionResult InChildProcess(const std::function<::testing::AssertionResult()>& body) {
  std::cout.flush();
  std::cerr.flush();
  const pid_t pid = fork();
  if (pid < 0) {
    return ::testing::AssertionFailure() << "fork failed";
  }
  if (pid == 0) {
    const ::testing::AssertionResult result = body();
    if (!result) {
      std::cerr << result.message() << std::endl;
    }
    _exit(result ? 0 : 1);
  }
  int status = 0;
  const bool finished =
      WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, kExchangeLimit);
  if (!finished) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return ::testing::AssertionFailure() << "the exchange did not finish and was ended";
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return ::testing::AssertionFailure() << "the exchange failed (its reason is printed above)";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ExchangeThroughPorts(const std::string& simName);

// One whole session: a private JACK server, the simulator as a process, and a dump
// requested and received through the ports on the JACK backend in a child process.
::testing::AssertionResult RequestDumpOverJack(int attempt) {
  const std::string tag = std::to_string(getpid()) + "-" + std::to_string(attempt);
  const std::string server = "morvane-test-" + tag;
  const std::string simName = "morvane-sim-" + tag;
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  setenv("MORVANE_MIDI_API", "jack", 1);
  setenv("JACK_NO_START_SERVER", "1", 1);

  // A generous client timeout: on a busy machine a client that misses one cycle
  // otherwise stalls the dummy driver's whole graph.
  Child jack({"jackd", "--no-realtime", "-t", kClientTimeoutMs, "-n", server, "-d", "dummy", "-r",
              "48000", "-p", "1024"});
  if (!jack.Started() || !Shell("jack_wait -w -t 10 >/dev/null")) {
    return ::testing::AssertionFailure() << "jackd did not start";
  }
  Child simulator({MORVANE_SIM_PATH, "--api", "jack", "--name", simName});
  if (!simulator.Started() || !WaitFor([&] {
        return Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-out:'") &&
               Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-in:'");
      })) {
    return ::testing::AssertionFailure() << "the simulator's ports never appeared";
  }
  return InChildProcess([&] { return ExchangeThroughPorts(simName); });
}

// Opens the ports on the simulator's JACK ports, requests a dump and checks it.
::testing::AssertionResult ExchangeThroughPorts(const std::string& simName) {
  JackBackend system("morvane-test-editor");
  if (!system.Connected()) {
    return ::testing::AssertionFailure() << "the JACK server did not answer";
  }
  QueuedGuiThread gui;
  TMidiOutput output(gui, system);
  TMidiInput input(gui, system);
  std::string toModule;
  std::string fromModule;
  for (std::int32_t id = 0; id < static_cast<std::int32_t>(system.OutGetNumDevs()); ++id) {
    output.SetDeviceID(id);
    if (output.ProductName().rfind(simName + "-in:", 0) == 0) {
      toModule = output.ProductName();
    }
  }
  for (std::uint16_t id = 0; id < system.InGetNumDevs(); ++id) {
    input.SetDeviceID(id);
    if (input.ProductName().rfind(simName + "-out:", 0) == 0) {
      fromModule = input.ProductName();
    }
  }
  if (toModule.empty() || fromModule.empty()) {
    return ::testing::AssertionFailure() << "the simulator's ports are not in the device lists";
  }
  output.SetProductName(toModule);
  input.SetProductName(fromModule);
  input.SetSysexOnly(true);
  input.SetSysexBufferCount(32);

  std::vector<std::uint8_t> received;
  input.OnMidiInput = [&](TMidiInput& sender) {
    while (sender.PendingCount() != 0) {
      const auto event = sender.TakeEvent();
      received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
    }
  };
  if (!output.OpenPort()) {
    return ::testing::AssertionFailure() << "the output port did not open";
  }
  input.OpenPort();
  if (input.State() != misOpen) {
    return ::testing::AssertionFailure() << "the input port did not open";
  }
  input.StartInput();

  output.SendLong(preset::DumpRequestMessage(3));
  const bool complete =
      gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience);
  gui.PumpUntil([&] { return output.PendingLongCount() == 0; }, kPatience);
  input.ClosePort();
  output.ClosePort();
  if (!complete) {
    return ::testing::AssertionFailure() << "received " << received.size() << " bytes";
  }
  if (received.size() != preset::kDumpSize || received.front() != preset::kSysexStart ||
      received[preset::kPresetNumberOffset] != 3 || received.back() != preset::kSysexEnd) {
    return ::testing::AssertionFailure() << "the dump arrived malformed";
  }
  return ::testing::AssertionSuccess();
}

// jackd's dummy driver can drop a session for good when the machine is loaded (a
// client misses its cycle and the graph stops); a fresh server is then tried, and
// the test fails only when every session fails.
TEST(JackSession, DumpRequestedFromTheSimulatorProcessArrivesWhole) {
  if (!Shell("command -v jackd >/dev/null 2>&1")) {
    GTEST_SKIP() << "jackd is not installed";
  }
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  for (int attempt = 1; attempt <= kSessionAttempts && !result; ++attempt) {
    result = RequestDumpOverJack(attempt);
    if (!result) {
      std::cerr << "JACK session " << attempt << " failed: " << result.message() << "\n";
    }
  }
  EXPECT_TRUE(result);
}

}  // namespace
}  // namespace morvane::midi
