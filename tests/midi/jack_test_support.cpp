#include "jack_test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "quiet_spawn.h"

namespace morvane::midi::jack_test {

namespace {

constexpr std::chrono::milliseconds kPollStep{20};
constexpr std::chrono::milliseconds kServerStartPatience{10000};
// A server ends in order on SIGTERM once its clients have let go; a loaded machine may take
// its time.
constexpr std::chrono::milliseconds kServerStopPatience{10000};
// A killed server's name is taken back by one of the same name; a start that fails on a
// loaded machine is tried again.
constexpr int kReclaimAttempts = 3;
// On a busy machine a client that misses one cycle otherwise stalls the dummy driver's graph.
constexpr const char* kClientTimeoutMs = "5000";

// jackd2's registry of servers (shm.h): a header, then eight entries of a process id and a name
// "jack-UID:NAME:". An entry whose process is gone holds its slot until a server of that name
// starts again; once all eight are held, no server starts ("Too many servers already active").
constexpr const char* kRegistry = "/dev/shm/jack-shm-registry";
constexpr std::size_t kRegistryHeader = 24;
constexpr std::size_t kServerSlots = 8;
constexpr std::size_t kServerNameSize = 257;
// The process id, the name and the padding to the next entry.
constexpr std::size_t kServerEntry = 264;

// The names of the servers in the registry whose process is gone.
std::vector<std::string> DeadServers() {
  std::ifstream file(kRegistry, std::ios::binary);
  std::vector<char> bytes(kRegistryHeader + kServerSlots * kServerEntry);
  std::vector<std::string> dead;
  if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    return dead;
  }
  for (std::size_t slot = 0; slot < kServerSlots; ++slot) {
    const char* entry = bytes.data() + kRegistryHeader + slot * kServerEntry;
    std::int32_t pid = 0;
    std::memcpy(&pid, entry, sizeof(pid));
    const std::string name(entry + sizeof(pid), strnlen(entry + sizeof(pid), kServerNameSize));
    const auto first = name.find(':');
    const auto last = name.rfind(':');
    if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH && first != last) {
      dead.push_back(name.substr(first + 1, last - first - 1));
    }
  }
  return dead;
}

}  // namespace

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds patience) {
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

bool JackInstalled() {
  return Shell("command -v jackd >/dev/null 2>&1");
}

Child::Child(std::vector<std::string> arguments, const std::string& outputPath, int endSignal)
    : pid_(test_support::SpawnQuiet(std::move(arguments), outputPath)), endSignal_(endSignal) {}

void Child::Reap() {
  int status = 0;
  if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
  }
}

bool Child::Stop(int signal, std::chrono::milliseconds patience) {
  if (pid_ <= 0) {
    return true;
  }
  int status = 0;
  kill(pid_, SIGCONT);
  kill(pid_, signal);
  const bool ended = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, patience);
  if (!ended) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  return ended;
}

std::unique_ptr<JackServer> JackServer::Start() {
  const std::string name = std::getenv("JACK_DEFAULT_SERVER");
  if (auto server = Start(name)) {
    return server;
  }
  // Servers of other runs that were killed may hold every slot: each dead one's is taken back
  // by a server of its name, and the start is tried once more.
  for (const std::string& dead : DeadServers()) {
    if (auto again = Start(dead)) {
      again->Stop();
    }
  }
  return Start(name);
}

std::unique_ptr<JackServer> JackServer::Start(const std::string& name) {
  std::unique_ptr<JackServer> server(
      new JackServer({"jackd", "--no-realtime", "-S", "-t", kClientTimeoutMs, "-n", name, "-d",
                      "dummy", "-r", "48000", "-p", "1024"},
                     name));
  // Answering, or gone without a word (its name or every slot taken).
  const std::string answers =
      "JACK_DEFAULT_SERVER='" + name + "' jack_wait -c 2>/dev/null | grep -qx running";
  if (!server->process_.Started() ||
      !WaitFor(
          [&] {
            server->process_.Reap();
            return server->process_.Pid() <= 0 || Shell(answers);
          },
          kServerStartPatience) ||
      server->process_.Pid() <= 0) {
    // Ended without taking anything back: that is for the server that held the name.
    server->process_.Stop();
    server->stopped_ = true;
    return nullptr;
  }
  return server;
}

void JackServer::Stop() {
  if (stopped_) {
    return;
  }
  stopped_ = true;
  const bool inOrder = process_.Stop(SIGTERM, kServerStopPatience) && !killed_;
  for (int attempt = 0; !inOrder && attempt < kReclaimAttempts; ++attempt) {
    if (auto again = Start(name_)) {
      again->Stop();
      break;
    }
  }
  // A server stopped under clients leaves their semaphores; the name is this test's alone.
  Shell("rm -f /dev/shm/*" + name_ + "* 2>/dev/null");
}

bool StopProcess(pid_t pid) {
  kill(pid, SIGSTOP);
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  return WaitFor([&] {
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
      // "pid (name) state ...": the state follows the name's closing parenthesis.
      std::ifstream stat(task.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const auto state = line.rfind(')');
      if (state == std::string::npos || state + 2 >= line.size() || line[state + 2] != 'T') {
        return false;
      }
    }
    return !error;
  });
}

void UseServer(const std::string& name) {
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
}

std::string UniqueName(const std::string& prefix, int tag) {
  return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(tag);
}

}  // namespace morvane::midi::jack_test
