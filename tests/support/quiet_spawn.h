#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace morvane::test_support {

// Makes the calling process (just forked) die with the thread that forked it: ctest ends a test
// that runs past its limit with SIGKILL, and no handler of the test runs then to stop what it
// started. parent is the forking process's id, taken before the fork.
inline void DieWithParent(pid_t parent) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The parent may have died before the request was in place.
  if (getppid() != parent) {
    _exit(1);
  }
}

// Starts a program found on PATH, its standard output going to outputPath (nowhere when
// empty) and its errors nowhere; -1 when it cannot start. It dies with the calling thread.
inline pid_t SpawnQuiet(std::vector<std::string> arguments, const std::string& outputPath = {}) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  const char* output = outputPath.empty() ? "/dev/null" : outputPath.c_str();
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) {
    return pid;
  }
  // Only calls that are safe between fork and exec in a process with threads.
  DieWithParent(parent);
  const int out = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int quiet = open("/dev/null", O_WRONLY);
  if (out < 0 || quiet < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(quiet, STDERR_FILENO) < 0) {
    _exit(1);
  }
  execvp(argv[0], argv.data());
  _exit(1);
}

}  // namespace morvane::test_support
