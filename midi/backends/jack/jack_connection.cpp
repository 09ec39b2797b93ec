#include "midi/backends/jack/jack_connection.h"

#include "midi/backends/jack/jack_log.h"

namespace morvane::midi {

namespace {

// Waits until busy is clear, at most deadline. Sequentially consistent with the
// thread that sets it, which looks at the device slots only after setting it.
bool WaitClear(const std::atomic<bool>& busy, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (busy.load()) {
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    std::this_thread::yield();
  }
  return true;
}

}  // namespace

std::shared_ptr<JackConnection> JackConnection::Open(const std::string& clientName,
                                                     MmResult lostReason, std::string& failure) {
  jack_status_t status{};
  jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
  if (client == nullptr) {
    failure = JackLog::LatestError();
    return nullptr;
  }
  auto core = std::make_shared<Core>();
  core->client = client;
  core->lostReason = lostReason;
  std::shared_ptr<JackConnection> connection(new JackConnection(core));
  if (jack_set_process_callback(client, &JackConnection::Process, core.get()) != 0 ||
      jack_activate(client) != 0) {
    failure = JackLog::LatestError();
    return nullptr;
  }
  return connection;
}

JackConnection::JackConnection(std::shared_ptr<Core> core) : core_(std::move(core)) {
  jack_on_info_shutdown(core_->client, &JackConnection::Shutdown, core_.get());
  watcher_ = std::thread([core = core_.get()] { Watch(*core); });
}

JackConnection::~JackConnection() {
  core_->stopping.store(true);
  core_->wake.release();
  watcher_.join();
  // The close talks to the server; one that does not answer in time is left to finish
  // on its own thread, which keeps what the client's threads still use.
  struct Closing {
    std::shared_ptr<Core> core;
    std::binary_semaphore done{0};
  };
  auto closing = std::make_shared<Closing>();
  closing->core = core_;
  std::thread closer([closing] {
    jack_client_close(closing->core->client);
    closing->done.release();
  });
  if (closing->done.try_acquire_for(kCloseDeadline)) {
    closer.join();
  } else {
    closer.detach();
  }
}

bool JackConnection::Attach(JackDevice& device) {
  for (auto& slot : core_->devices) {
    JackDevice* empty = nullptr;
    if (slot.compare_exchange_strong(empty, &device)) {
      return true;
    }
  }
  return false;
}

bool JackConnection::Detach(JackDevice& device) {
  for (auto& slot : core_->devices) {
    JackDevice* attached = &device;
    if (slot.compare_exchange_strong(attached, nullptr)) {
      break;
    }
  }
  // Either thread, entering after this, finds the slot empty.
  return WaitClear(core_->inCycle, kLeaveDeadline) && WaitClear(core_->watching, kLeaveDeadline);
}

void JackConnection::Kick() {
  core_->wake.release();
}

int JackConnection::Process(jack_nframes_t frames, void* argument) noexcept {
  Core& core = *static_cast<Core*>(argument);
  core.inCycle.store(true);
  if (!core.lost.load()) {
    for (auto& slot : core.devices) {
      if (JackDevice* device = slot.load()) {
        device->Process(frames);
      }
    }
  }
  core.inCycle.store(false);
  return 0;
}

void JackConnection::Shutdown(jack_status_t /*code*/, const char* /*reason*/,
                              void* argument) noexcept {
  Core& core = *static_cast<Core*>(argument);
  core.lost.store(true);
  core.wake.release();
}

void JackConnection::Watch(Core& core) noexcept {
  constexpr std::chrono::milliseconds kRetry{10};
  for (;;) {
    core.wake.acquire();
    if (core.stopping.load()) {
      return;
    }
    if (!core.lost.load()) {
      continue;
    }
    // A cycle that began before the loss was seen ends without waiting for anything;
    // every later one sees the loss and leaves the devices alone.
    if (!WaitClear(core.inCycle, kLeaveDeadline)) {
      std::this_thread::sleep_for(kRetry);
      core.wake.release();
      continue;
    }
    core.watching.store(true);
    for (auto& slot : core.devices) {
      if (JackDevice* device = slot.load()) {
        device->Lose(core.lostReason);
      }
    }
    core.watching.store(false);
  }
}

}  // namespace morvane::midi
