#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the tests that run a private JACK server share. Every wait has a deadline of its own,
// well inside the test's time limit, and a test that fails says which wait ran out. Whatever
// a test starts dies with it, also when ctest kills it, and no server of a test leaves files in
// /dev/shm (JACK's registry of servers, which every server shares, stays as JACK leaves it).
namespace morvane::midi::jack_test {

// One wait for a server, a client's ports or a message.
inline constexpr std::chrono::milliseconds kPatience{20000};

// Polls ready until it holds; false after patience.
bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds patience = kPatience);
bool Shell(const std::string& command);
bool JackInstalled();

// A process this test started and stops again; it dies with the test.
class Child {
 public:
  // Standard output goes to outputPath, or nowhere. The signal ends it when it goes.
  explicit Child(std::vector<std::string> arguments, const std::string& outputPath = {},
                 int endSignal = SIGTERM);
  ~Child() { Stop(endSignal_); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // Collects it once it has ended: until then the system still counts it as running (a JACK
  // server of its name would not start).
  void Reap();
  // SIGCONT (a stopped process takes no other signal), then signal, then SIGKILL for one that
  // does not end within patience. True when it ended by itself or on the signal.
  bool Stop(int signal = SIGTERM, std::chrono::milliseconds patience = kStopPatience);

  static constexpr std::chrono::milliseconds kStopPatience{3000};

 private:
  pid_t pid_ = -1;
  int endSignal_;
};

// A private JACK server named by JACK_DEFAULT_SERVER, with the dummy driver.
class JackServer {
 public:
  // The server of the name JACK_DEFAULT_SERVER holds; null when it did not start.
  static std::unique_ptr<JackServer> Start();
  static std::unique_ptr<JackServer> Start(const std::string& name);
  ~JackServer() { Stop(); }

  pid_t Pid() const { return process_.Pid(); }
  void Reap() { process_.Reap(); }
  // Ends it in order; one that had to be killed (or was killed by the test) leaves its name
  // registered and its files in /dev/shm: a server of the same name started and stopped in
  // order takes them back.
  void Stop();
  // The test killed it on purpose.
  void Killed() { killed_ = true; }

 private:
  JackServer(std::vector<std::string> arguments, std::string name)
      : process_(std::move(arguments)), name_(std::move(name)) {}
  Child process_;
  std::string name_;
  bool killed_ = false;
  bool stopped_ = false;
};

// Stops process with SIGSTOP and waits until every thread of it has stopped: until then it may
// still answer what was asked of it just before.
bool StopProcess(pid_t pid);

// Points libjack, in this process and those it starts, at the server called name.
void UseServer(const std::string& name);

// A name no other run of the test uses: the test's process id and tag.
std::string UniqueName(const std::string& prefix, int tag);

}  // namespace morvane::midi::jack_test
