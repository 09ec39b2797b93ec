#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "midi/backends/rtmidi/rtmidi_backend.h"
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

bool WaitFor(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

TEST(JackSession, DumpRequestedFromTheSimulatorProcessArrivesWhole) {
  if (!Shell("command -v jackd >/dev/null 2>&1")) {
    GTEST_SKIP() << "jackd is not installed";
  }
  const std::string server = "morvane-test-" + std::to_string(getpid());
  const std::string simName = "morvane-sim-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  setenv("MORVANE_MIDI_API", "jack", 1);
  setenv("JACK_NO_START_SERVER", "1", 1);

  Child jack({"jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"});
  ASSERT_TRUE(jack.Started());
  ASSERT_TRUE(Shell("jack_wait -w -t 10 >/dev/null"));
  Child simulator({MORVANE_SIM_PATH, "--api", "jack", "--name", simName});
  ASSERT_TRUE(simulator.Started());
  ASSERT_TRUE(WaitFor([&] {
    return Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-out:'") &&
           Shell("jack_lsp 2>/dev/null | grep -q '^" + simName + "-in:'");
  })) << "the simulator's ports never appeared";

  {
    RtMidiBackend system("morvane-test-editor");
    ASSERT_EQ(system.ApiNames(), std::vector<std::string>{"jack"});
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
    ASSERT_FALSE(toModule.empty());
    ASSERT_FALSE(fromModule.empty());
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
    ASSERT_TRUE(output.OpenPort());
    input.OpenPort();
    ASSERT_EQ(input.State(), misOpen);
    input.StartInput();

    output.SendLong(preset::DumpRequestMessage(3));
    ASSERT_TRUE(gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience))
        << "received " << received.size() << " bytes";
    EXPECT_EQ(received.size(), preset::kDumpSize);
    EXPECT_EQ(received.front(), preset::kSysexStart);
    EXPECT_EQ(received[preset::kPresetNumberOffset], 3);
    EXPECT_EQ(received.back(), preset::kSysexEnd);
    ASSERT_TRUE(gui.PumpUntil([&] { return output.PendingLongCount() == 0; }, kPatience));
    input.ClosePort();
    EXPECT_TRUE(output.ClosePort());
  }
}

}  // namespace
}  // namespace morvane::midi
