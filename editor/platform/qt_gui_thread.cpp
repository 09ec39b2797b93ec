#include "qt_gui_thread.h"
#include "handler_guard.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <QWinEventNotifier>
#else
#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#ifdef __linux__
#include <sys/eventfd.h>
#endif
#endif

namespace morvane::editor {

#ifdef _WIN32

class QtGuiThread::Signal {
 public:
  explicit Signal(QtGuiThread& owner) : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (event_ == nullptr) {
      throw std::runtime_error("Cannot create the MIDI wake-up event");
    }
    notifier_ = std::make_unique<QWinEventNotifier>(event_);
    QObject::connect(notifier_.get(), &QWinEventNotifier::activated, notifier_.get(),
                     [&owner] { RunGuarded([&owner] { owner.Dispatch(); }); });
  }
  ~Signal() {
    notifier_.reset();
    CloseHandle(event_);
  }
  void Raise() noexcept { SetEvent(event_); }

 private:
  HANDLE event_;
  std::unique_ptr<QWinEventNotifier> notifier_;
};

#else

// The read end is drained before dispatching, so a wake-up that arrives during the dispatch
// leaves the descriptor readable and the loop comes back.
class QtGuiThread::Signal {
 public:
  explicit Signal(QtGuiThread& owner) {
#ifdef __linux__
    readFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    writeFd_ = readFd_;
    if (readFd_ < 0) {
      throw std::runtime_error("Cannot create the MIDI wake-up event");
    }
#else
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) {
      throw std::runtime_error("Cannot create the MIDI wake-up pipe");
    }
    readFd_ = fds[0];
    writeFd_ = fds[1];
    for (int fd : fds) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
#endif
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this, &owner] {
      Drain();
      RunGuarded([&owner] { owner.Dispatch(); });
    });
  }
  ~Signal() {
    notifier_.reset();
    if (writeFd_ != readFd_) {
      close(writeFd_);
    }
    close(readFd_);
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;

  // A full pipe or a saturated counter already holds a wake-up, so a refused write loses
  // nothing.
  void Raise() noexcept {
#ifdef __linux__
    const std::uint64_t one = 1;
    while (write(writeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
#else
    const char one = 1;
    while (write(writeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
#endif
  }

 private:
  void Drain() noexcept {
    std::uint64_t sink = 0;
    while (read(readFd_, &sink, sizeof sink) > 0) {
    }
  }

  int readFd_ = -1;
  int writeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

#endif

QtGuiThread::QtGuiThread() : FSignal(std::make_unique<Signal>(*this)) {}

QtGuiThread::~QtGuiThread() = default;

void QtGuiThread::RequestDispatch() noexcept {
  FSignal->Raise();
}

}  // namespace morvane::editor
