#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>

#include "midi/mm_result.h"

namespace morvane::midi {

// A port of ours that the connection drives.
class JackDevice {
 public:
  virtual ~JackDevice() = default;
  // JACK's process thread, once a cycle while attached: never blocks, allocates or throws.
  virtual void Process(jack_nframes_t frames) noexcept = 0;
  // The watch thread, after the server went away and the process thread has left for
  // good: the device fails what it holds with reason and, the first time, tells its
  // port that it is lost. Called again when the owner queued more after the loss.
  virtual void Lose(MmResult reason) noexcept = 0;
};

// One client of a JACK server, shared by every open port of this process. JACK's
// process thread drives the attached devices; when the server goes away (stopped,
// killed), its shutdown hook marks the connection lost and wakes a watch thread of
// ours, which lets each device fail what it holds and tell its port. Nothing here
// waits for another thread without a deadline.
class JackConnection {
 public:
  static constexpr std::size_t kMaxDevices = 32;
  // How long the owner waits for the process or watch thread to leave a device, and
  // for the client to close; neither of ours ever blocks, so it is met at once unless
  // the system stopped the thread.
  static constexpr std::chrono::milliseconds kLeaveDeadline{250};
  static constexpr std::chrono::milliseconds kCloseDeadline{500};

  // A new client, active, named clientName (JACK may add a number); null, with
  // libjack's reason in failure, when no server answers. lostReason is the code the
  // devices fail with once the server has gone.
  static std::shared_ptr<JackConnection> Open(const std::string& clientName, MmResult lostReason,
                                              std::string& failure);
  ~JackConnection();
  JackConnection(const JackConnection&) = delete;
  JackConnection& operator=(const JackConnection&) = delete;

  jack_client_t* Client() const { return core_->client; }
  // The server went away: the client takes no more calls but closing.
  bool Lost() const { return core_->lost.load(); }
  MmResult LostReason() const { return core_->lostReason; }

  // Owner thread. Attach gives the device to the process thread (false when every
  // slot is taken); Detach takes it back and returns once neither the process thread
  // nor the watch thread uses it any more, false when they did not leave in time.
  bool Attach(JackDevice& device);
  bool Detach(JackDevice& device);
  // Owner thread: a device queued work after the loss, which the watch thread fails.
  void Kick();

 private:
  // What the process, shutdown and watch threads share. It outlives the connection when
  // the client does not close in time, until the close returns.
  struct Core {
    jack_client_t* client = nullptr;
    MmResult lostReason = kNoError;
    std::array<std::atomic<JackDevice*>, kMaxDevices> devices{};
    std::atomic<bool> inCycle{false};
    std::atomic<bool> watching{false};
    std::atomic<bool> lost{false};
    std::atomic<bool> stopping{false};
    std::counting_semaphore<> wake{0};
  };

  explicit JackConnection(std::shared_ptr<Core> core);
  static int Process(jack_nframes_t frames, void* argument) noexcept;
  static void Shutdown(jack_status_t code, const char* reason, void* argument) noexcept;
  static void Watch(Core& core) noexcept;

  std::shared_ptr<Core> core_;
  std::thread watcher_;
};

}  // namespace morvane::midi
