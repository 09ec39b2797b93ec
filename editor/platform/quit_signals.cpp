#include "quit_signals.h"

#include <QSocketNotifier>
#include <array>
#include <stdexcept>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace morvane::editor {

#ifndef _WIN32

namespace {

constexpr std::array kQuitSignals = {SIGTERM, SIGHUP, SIGINT};
constexpr int kReadEnd = 0;
constexpr int kWriteEnd = 1;
// Bytes taken from the pipe at a time; any number of signals is one quit.
constexpr std::size_t kDrainBytes = 64;

// Written by the signal handler, which may use nothing but async-signal-safe calls.
std::array<int, 2> gPipe{-1, -1};
std::array<struct sigaction, kQuitSignals.size()> gEarlier{};

extern "C" void OnQuitSignal(int /*signal*/) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds a quit.
  [[maybe_unused]] const ssize_t written = ::write(gPipe[kWriteEnd], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TQuitSignals::TQuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), FQuit(std::move(quit)) {
  if (gPipe[kReadEnd] >= 0) {
    throw std::logic_error("Quit signals are watched already");
  }
  if (::pipe2(gPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
    gPipe = {-1, -1};
    return;
  }
  FNotifier = new QSocketNotifier(gPipe[kReadEnd], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, [this] { Arrived(); });
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t index = 0; index < kQuitSignals.size(); ++index) {
    ::sigaction(kQuitSignals.at(index), &action, &gEarlier.at(index));
  }
}

TQuitSignals::~TQuitSignals() {
  if (gPipe[kReadEnd] < 0) {
    return;
  }
  for (std::size_t index = 0; index < kQuitSignals.size(); ++index) {
    ::sigaction(kQuitSignals.at(index), &gEarlier.at(index), nullptr);
  }
  delete FNotifier;
  ::close(gPipe[kReadEnd]);
  ::close(gPipe[kWriteEnd]);
  gPipe = {-1, -1};
}

void TQuitSignals::Arrived() {
  std::array<char, kDrainBytes> bytes{};
  while (::read(gPipe[kReadEnd], bytes.data(), bytes.size()) > 0) {
  }
  FQuit();
}

#else

TQuitSignals::TQuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), FQuit(std::move(quit)) {}

TQuitSignals::~TQuitSignals() = default;

void TQuitSignals::Arrived() {
  FQuit();
}

#endif

}  // namespace morvane::editor
