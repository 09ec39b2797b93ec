#include "midi/backends/jack/jack_log.h"

#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace morvane::midi {

namespace {

constexpr std::size_t kTextLength = 256;
constexpr const char* kEchoPrefix = "JACK: ";

// libjack calls the hooks on any of its threads, its process thread too: they copy
// into a fixed buffer and never wait (a message met while another is being copied is
// not kept), and echo with a plain write.
struct Latest {
  std::atomic_flag busy = ATOMIC_FLAG_INIT;
  std::array<char, kTextLength> text{};
};

Latest latestError;
std::atomic<bool> echo{false};

void Echo(const char* message) noexcept {
  if (!echo.load(std::memory_order_relaxed)) {
    return;
  }
  const auto write = [](const char* text, std::size_t length) {
    if (::write(STDERR_FILENO, text, length) < 0) {
      // The terminal is gone: there is nowhere else to say it.
    }
  };
  write(kEchoPrefix, std::strlen(kEchoPrefix));
  write(message, std::strlen(message));
  write("\n", 1);
}

void OnError(const char* message) noexcept {
  if (message == nullptr) {
    return;
  }
  if (!latestError.busy.test_and_set(std::memory_order_acquire)) {
    const std::size_t length = std::min(std::strlen(message), kTextLength - 1);
    std::memcpy(latestError.text.data(), message, length);
    latestError.text[length] = '\0';
    latestError.busy.clear(std::memory_order_release);
  }
  Echo(message);
}

void OnInfo(const char* message) noexcept {
  if (message != nullptr) {
    Echo(message);
  }
}

}  // namespace

void JackLog::Install(bool echoToTerminal) {
  echo.store(echoToTerminal);
  static std::once_flag installed;
  std::call_once(installed, [] {
    jack_set_error_function(&OnError);
    jack_set_info_function(&OnInfo);
  });
}

std::string JackLog::LatestError() {
  if (latestError.busy.test_and_set(std::memory_order_acquire)) {
    return {};
  }
  std::string text = latestError.text.data();
  latestError.busy.clear(std::memory_order_release);
  return text;
}

}  // namespace morvane::midi
