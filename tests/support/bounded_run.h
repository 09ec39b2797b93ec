#pragma once

// Runs a piece of work in a child process that is killed if it is still there after a generous
// time, so that a test of something that must not wait fails instead of hanging. The time is
// only a guard against hanging: the work is expected to end at once.

#include <chrono>
#include <exception>
#include <functional>
#include <string>

#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace morvane::testing {

struct BoundedOutcome {
  // False when the work was still running at the time limit and was killed.
  bool ended = false;
  // The work threw; text holds what().
  bool threw = false;
  std::string text;
};

inline constexpr std::chrono::seconds kHangingLimit{20};

inline BoundedOutcome RunBounded(const std::function<void()>& work) {
#ifdef _WIN32
  // No fork: run here. Nothing on Windows that the tests give it can wait.
  BoundedOutcome outcome{true, false, {}};
  try {
    work();
  } catch (const std::exception& error) {
    outcome.threw = true;
    outcome.text = error.what();
  }
  return outcome;
#else
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) {
    return {false, true, "no pipe"};
  }
  const pid_t child = ::fork();
  if (child == 0) {
    // A group of its own, so that what it starts (a tool run by the shell) goes with it.
    ::setpgid(0, 0);
    ::close(pipeEnds[0]);
    std::string result = "0";
    try {
      work();
    } catch (const std::exception& error) {
      result = std::string("1") + error.what();
    }
    const char* data = result.data();
    std::size_t left = result.size();
    while (left > 0) {
      const ssize_t written = ::write(pipeEnds[1], data, left);
      if (written <= 0) {
        break;
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string result;
  const auto deadline = std::chrono::steady_clock::now() + kHangingLimit;
  bool ended = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      break;
    }
    pollfd wait{pipeEnds[0], POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
      continue;
    }
    char buffer[4096];
    const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (count <= 0) {
      ended = true;
      break;
    }
    result.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  if (!ended) {
    ::kill(-child, SIGKILL);
    ::kill(child, SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!ended) {
    return {false, false, "still running after the time limit"};
  }
  if (result.empty()) {
    return {true, true, "ended without a word: status " + std::to_string(status)};
  }
  return {true, result[0] == '1', result.substr(1)};
#endif
}

}  // namespace morvane::testing
