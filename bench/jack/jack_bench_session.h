#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "midi/device_list.h"

namespace morvane::bench {

// A private JACK server with the simulator on it, for the benchmarks that run the window on
// a server's devices. Both die with the benchmark.
class JackBenchSession {
 public:
  // Starts a server called serverName (JACK_DEFAULT_SERVER points at it from then on) and the
  // simulator called simName; Ready() tells whether both came.
  JackBenchSession(std::string serverName, std::string simName);
  ~JackBenchSession();
  JackBenchSession(const JackBenchSession&) = delete;
  JackBenchSession& operator=(const JackBenchSession&) = delete;

  bool Ready() const { return ready_; }
  pid_t ServerPid() const { return server_; }
  // The simulator's ports, as the editor's device lists show them.
  std::string ToModule() const { return simName_ + "-in:in"; }
  std::string FromModule() const { return simName_ + "-out:out"; }
  // The server is killed; its name and files are taken back when the session ends.
  void KillServer();

 private:
  std::string serverName_;
  std::string simName_;
  pid_t server_ = -1;
  pid_t simulator_ = -1;
  bool killed_ = false;
  bool ready_ = false;
};

// A private JACK server of this name, once it answers; -1 when it did not.
pid_t StartJackServer(const std::string& name);
void EndProcess(pid_t pid, int signal);
bool Shell(const std::string& command);

// The editor's devices: the simulator in process, then the server's.
std::unique_ptr<midi::DeviceList> EditorDevices();

// The user's settings remember output and input by name (and by index 1, past the simulator in
// process), in a folder of their own that lives as long as the returned object.
std::shared_ptr<void> RememberDevices(const std::string& output, const std::string& input);

}  // namespace morvane::bench
