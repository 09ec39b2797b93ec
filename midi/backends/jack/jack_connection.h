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

#include "midi/backends/jack/jack_worker.h"
#include "midi/mm_result.h"

namespace morvane::midi {

// A port of ours that the connection drives.
class JackDevice {
 public:
  virtual ~JackDevice() = default;
  // JACK's process thread, once a cycle while attached: never blocks, allocates or throws.
  virtual void Process(jack_nframes_t frames) noexcept = 0;
  // The watch thread, after the server went away (or was given up) and the process thread
  // has left for good: the device fails what it holds with reason and, the first time, tells
  // its port that it is lost. Called again when the owner queued more after the loss.
  virtual void Lose(MmResult reason) noexcept = 0;
};

struct JackOpeningState;
class JackConnection;
// A client whose open on the worker missed its deadline and may still succeed. Dropped before
// it was adopted, a client that opened late is closed on the worker.
struct JackOpening {
  JackOpening() = default;
  ~JackOpening();
  JackOpening(const JackOpening&) = delete;
  JackOpening& operator=(const JackOpening&) = delete;

  std::shared_ptr<JackOpeningState> state;
  std::shared_ptr<JackWorker> worker;
};

// One client of a JACK server, shared by every open port of this process. JACK's process
// thread drives the attached devices; when the server goes away (stopped, killed), its
// shutdown hook marks the connection lost and wakes a watch thread of ours, which lets each
// device fail what it holds and tell its port. A server that stops answering is given up the
// same way. Every call that talks to the server runs on the worker: nothing here waits for
// another thread or process without a deadline, and the client is closed on the worker after
// every call still under way there, never under one.
class JackConnection {
 public:
  static constexpr std::size_t kMaxDevices = 32;
  // How long the owner waits for the process or watch thread to leave a device; neither of
  // ours ever blocks, so it is met at once unless the system stopped the thread.
  static constexpr std::chrono::milliseconds kLeaveDeadline{250};
  // A server that has begun no cycle for this long, and for a few of its periods, is taking
  // nothing more from us.
  static constexpr std::chrono::milliseconds kCycleSilence{100};
  static constexpr int kSilentPeriods = 3;

  // A new client, active, named clientName (JACK may add a number), opened on worker; null
  // when no server answers (failure holds libjack's reason), while a client of this process
  // whose server has gone is not closed yet (libjack would take a new server for the old one),
  // or when none answered in time: the worker is then overdue, and late holds the open, which
  // Adopt takes once it has returned.
  // stoppedReason is what the devices fail with once the server has gone.
  static std::shared_ptr<JackConnection> Open(std::shared_ptr<JackWorker> worker,
                                              const std::string& clientName, MmResult stoppedReason,
                                              std::string& failure,
                                              std::unique_ptr<JackOpening>& late);
  // The connection of an open that returned after its deadline, once the worker is through
  // with it (late is then cleared); null while it is not, or when the open failed. A slow
  // server costs one deadline, not every open.
  static std::shared_ptr<JackConnection> Adopt(std::unique_ptr<JackOpening>& late);
  ~JackConnection();
  JackConnection(const JackConnection&) = delete;
  JackConnection& operator=(const JackConnection&) = delete;

  jack_client_t* Client() const { return core_->client; }
  JackWorker& Worker() const { return *worker_; }
  // The server went away or was given up: the client takes no more calls but closing.
  bool Lost() const { return core_->lost.load() != kNoError; }
  MmResult LostReason() const { return core_->lost.load(); }
  // Owner thread: the server did not answer in time; the connection is lost with reason.
  void GiveUp(MmResult reason);
  // Cycles the server has begun for this client.
  std::uint64_t Cycles() const { return core_->cycles.load(std::memory_order_relaxed); }
  // The server began a cycle within Silence(): it still runs.
  bool Cycling() const;
  // How long a server that still runs goes without a cycle at most.
  std::chrono::milliseconds Silence() const { return silence_; }
  // The longest event an empty port buffer takes, once a cycle has shown it; else 0.
  std::size_t LargestEvent() const { return core_->largestEvent.load(std::memory_order_relaxed); }
  // Process thread: what an empty port buffer showed.
  void NoteLargestEvent(std::size_t size) noexcept {
    core_->largestEvent.store(size, std::memory_order_relaxed);
  }

  // Owner thread. Attach gives the device to the process thread (false when every
  // slot is taken); Detach takes it back and returns once neither the process thread
  // nor the watch thread uses it any more, false when they did not leave in time.
  bool Attach(JackDevice& device);
  bool Detach(JackDevice& device);
  // Owner thread: a device queued work after the loss, which the watch thread fails.
  void Kick();
  // Owner thread: hands a port of a detached device back to the server, on the worker and
  // without waiting. A lost client takes no calls: its ports go when it closes.
  void Unregister(jack_port_t* port);

 private:
  // What the process, shutdown, watch and worker threads share. It outlives the connection
  // until the client has closed on the worker.
  struct Core {
    jack_client_t* client = nullptr;
    MmResult stoppedReason = kNoError;
    std::array<std::atomic<JackDevice*>, kMaxDevices> devices{};
    std::atomic<bool> inCycle{false};
    std::atomic<bool> watching{false};
    // Why the connection was lost; kNoError while it is not.
    std::atomic<MmResult> lost{kNoError};
    std::atomic<bool> stopping{false};
    // The server told the client that it went away.
    std::atomic<bool> serverGone{false};
    std::atomic<std::uint64_t> cycles{0};
    // When the latest cycle began, on the steady clock.
    std::atomic<std::chrono::steady_clock::rep> lastCycle{0};
    std::atomic<std::size_t> largestEvent{0};
    std::counting_semaphore<> wake{0};
  };

  JackConnection(std::shared_ptr<JackWorker> worker, std::shared_ptr<Core> core,
                 std::chrono::milliseconds silence);
  friend struct JackOpening;
  friend struct JackOpeningState;
  static std::shared_ptr<JackConnection> Made(std::shared_ptr<JackWorker> worker,
                                              const JackOpeningState& state);
  static int Process(jack_nframes_t frames, void* argument) noexcept;
  static void Shutdown(jack_status_t code, const char* reason, void* argument) noexcept;
  // The worker: closes the client.
  static void Close(Core& core) noexcept;
  static void Watch(Core& core) noexcept;

  std::shared_ptr<JackWorker> worker_;
  std::shared_ptr<Core> core_;
  std::chrono::milliseconds silence_;
  std::thread watcher_;
};

}  // namespace morvane::midi
