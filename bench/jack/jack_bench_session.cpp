#include "jack_bench_session.h"

#include <signal.h>
#include <sys/wait.h>

#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "midi/backends/jack/jack_backend.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "quiet_spawn.h"
#include "settings_store.h"

namespace morvane::bench {

namespace {
constexpr int kPortPolls = 100;
}  // namespace

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

void EndProcess(pid_t pid, int signal) {
  if (pid > 0) {
    kill(pid, SIGCONT);
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
  }
}

pid_t StartJackServer(const std::string& name) {
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
  const pid_t pid = test_support::SpawnQuiet({"jackd", "--no-realtime", "-S", "-t", "5000", "-n",
                                              name, "-d", "dummy", "-r", "48000", "-p", "1024"});
  if (pid > 0 && !Shell("jack_wait -w -t 10 >/dev/null 2>&1")) {
    EndProcess(pid, SIGKILL);
    return -1;
  }
  return pid;
}

JackBenchSession::JackBenchSession(std::string serverName, std::string simName)
    : serverName_(std::move(serverName)), simName_(std::move(simName)) {
  unsetenv("MORVANE_MIDI_API");
  server_ = StartJackServer(serverName_);
  if (server_ < 0) {
    return;
  }
  simulator_ = test_support::SpawnQuiet({MORVANE_SIM_PATH, "--api", "jack", "--name", simName_});
  ready_ = simulator_ > 0 &&
           Shell("for i in $(seq " + std::to_string(kPortPolls) + "); do jack_lsp 2>/dev/null | " +
                 "grep -q '^" + FromModule() + "' && exit 0; sleep 0.1; done; exit 1");
}

JackBenchSession::~JackBenchSession() {
  EndProcess(simulator_, SIGTERM);
  EndProcess(server_, killed_ ? SIGKILL : SIGTERM);
  if (killed_) {
    // A server of the same name started and stopped in order takes the killed one's name back.
    EndProcess(StartJackServer(serverName_), SIGTERM);
  }
  Shell("rm -f /dev/shm/*" + serverName_ + "* 2>/dev/null");
}

void JackBenchSession::KillServer() {
  kill(server_, SIGKILL);
  killed_ = true;
}

std::unique_ptr<midi::DeviceList> EditorDevices() {
  auto devices = std::make_unique<midi::DeviceList>();
  devices->Add(std::make_shared<midi::VirtualBackend>());
  devices->Add(std::make_shared<midi::JackBackend>(), true);
  return devices;
}

std::shared_ptr<void> RememberDevices(const std::string& output, const std::string& input) {
  auto folder = std::make_shared<QTemporaryDir>();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder->path());
  QSettings stored(QSettings::NativeFormat, QSettings::UserScope,
                   editor::TSettingsStore::kOrganisation, editor::TSettingsStore::kApplication);
  stored.setValue(QStringLiteral("setup/out"), 1);
  stored.setValue(QStringLiteral("setup/outname"), QString::fromStdString(output));
  stored.setValue(QStringLiteral("setup/in"), 1);
  stored.setValue(QStringLiteral("setup/inname"), QString::fromStdString(input));
  return folder;
}

}  // namespace morvane::bench
