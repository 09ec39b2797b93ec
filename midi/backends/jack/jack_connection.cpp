#include "midi/backends/jack/jack_connection.h"

#include <algorithm>
#include <vector>

#include "midi/backends/jack/jack_log.h"

namespace morvane::midi {

namespace {

constexpr std::uint64_t kMillisecondsPerSecond = 1000;

// libjack keeps the shared memory of the server its first client met for as long as any client
// of the process is open: a client opened while one of a server that has gone is still open
// would take a new server for the old one. So none is opened until those are closed.
std::atomic<int> clientsOfGoneServers{0};

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

// What the open on the worker and the owner share.
struct JackOpeningState {
  enum class Stage { Waiting, Late, Dropped, Taken };
  std::shared_ptr<JackConnection::Core> core = std::make_shared<JackConnection::Core>();
  // Filled on the worker; read by the owner once the worker is through with the open.
  std::string failure;
  std::chrono::milliseconds period{0};
  // Whoever of the open's late step and the owner's drop comes second closes a client opened
  // late that nobody took.
  std::atomic<Stage> stage{Stage::Waiting};
};

JackOpening::~JackOpening() {
  if (state->stage.exchange(JackOpeningState::Stage::Dropped) == JackOpeningState::Stage::Late &&
      state->core->client != nullptr) {
    worker->Post([core = state->core] { JackConnection::Close(*core); });
  }
}

std::shared_ptr<JackConnection> JackConnection::Open(std::shared_ptr<JackWorker> worker,
                                                     const std::string& clientName,
                                                     MmResult stoppedReason, std::string& failure,
                                                     std::unique_ptr<JackOpening>& late) {
  if (clientsOfGoneServers.load() > 0) {
    failure = "A client of a JACK server that has gone is still open";
    return nullptr;
  }
  auto state = std::make_shared<JackOpeningState>();
  state->core->stoppedReason = stoppedReason;
  const bool answered = worker->Run(
      [state, clientName] {
        Core& core = *state->core;
        jack_status_t status{};
        jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
        if (client == nullptr) {
          state->failure = JackLog::LatestError();
          return;
        }
        jack_on_info_shutdown(client, &JackConnection::Shutdown, &core);
        if (jack_set_process_callback(client, &JackConnection::Process, &core) != 0 ||
            jack_activate(client) != 0) {
          state->failure = JackLog::LatestError();
          core.client = client;
          Close(core);
          core.client = nullptr;
          return;
        }
        const jack_nframes_t rate = jack_get_sample_rate(client);
        if (rate != 0) {
          state->period = std::chrono::milliseconds(kMillisecondsPerSecond *
                                                    jack_get_buffer_size(client) / rate);
        }
        core.client = client;
      },
      [state] {
        if (state->stage.exchange(JackOpeningState::Stage::Late) ==
                JackOpeningState::Stage::Dropped &&
            state->core->client != nullptr) {
          Close(*state->core);
        }
      });
  if (!answered) {
    late = std::make_unique<JackOpening>();
    late->state = state;
    late->worker = std::move(worker);
    return nullptr;
  }
  failure = state->failure;
  return Made(std::move(worker), *state);
}

std::shared_ptr<JackConnection> JackConnection::Adopt(std::unique_ptr<JackOpening>& late) {
  if (!late || late->worker->Overdue()) {
    return nullptr;
  }
  std::shared_ptr<JackConnection> connection;
  JackOpeningState& state = *late->state;
  if (state.stage.load() == JackOpeningState::Stage::Late) {
    connection = Made(late->worker, state);
    if (connection) {
      state.stage.store(JackOpeningState::Stage::Taken);
    }
  }
  late.reset();
  return connection;
}

std::shared_ptr<JackConnection> JackConnection::Made(std::shared_ptr<JackWorker> worker,
                                                     const JackOpeningState& state) {
  if (state.core->client == nullptr) {
    return nullptr;
  }
  const auto silence = std::max(kCycleSilence, kSilentPeriods * state.period);
  return std::shared_ptr<JackConnection>(
      new JackConnection(std::move(worker), state.core, silence));
}

JackConnection::JackConnection(std::shared_ptr<JackWorker> worker, std::shared_ptr<Core> core,
                               std::chrono::milliseconds silence)
    : worker_(std::move(worker)), core_(std::move(core)), silence_(silence) {
  watcher_ = std::thread([core = core_.get()] { Watch(*core); });
}

bool JackConnection::Cycling() const {
  const std::chrono::steady_clock::time_point last{
      std::chrono::steady_clock::duration{core_->lastCycle.load(std::memory_order_relaxed)}};
  return std::chrono::steady_clock::now() - last < silence_;
}

JackConnection::~JackConnection() {
  // A server that runs no cycle takes no close either: the process need not wait for it.
  if (!Cycling()) {
    worker_->ExpectNoAnswer();
  }
  core_->stopping.store(true);
  core_->wake.release();
  watcher_.join();
  // After every call still queued for the client; the core stays until the close returns.
  if (!worker_->Post([core = core_] { Close(*core); })) {
    // The worker is stuck with a full queue: the client is set aside for good, and what its
    // threads use stays with it.
    static auto* const setAside = new std::vector<std::shared_ptr<Core>>();
    setAside->push_back(core_);
  }
}

void JackConnection::GiveUp(MmResult reason) {
  MmResult none = kNoError;
  if (core_->lost.compare_exchange_strong(none, reason)) {
    core_->wake.release();
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

void JackConnection::Unregister(jack_port_t* port) {
  if (Lost()) {
    return;
  }
  worker_->Post([core = core_, port] {
    if (core->lost.load() == kNoError) {
      jack_port_unregister(core->client, port);
    }
  });
}

int JackConnection::Process(jack_nframes_t frames, void* argument) noexcept {
  Core& core = *static_cast<Core*>(argument);
  core.inCycle.store(true);
  core.cycles.fetch_add(1, std::memory_order_relaxed);
  core.lastCycle.store(std::chrono::steady_clock::now().time_since_epoch().count(),
                       std::memory_order_relaxed);
  if (core.lost.load() == kNoError) {
    for (auto& slot : core.devices) {
      if (JackDevice* device = slot.load()) {
        device->Process(frames);
      }
    }
  }
  core.inCycle.store(false);
  return 0;
}

void JackConnection::Close(Core& core) noexcept {
  jack_client_close(core.client);
  // No hook runs once the close has returned.
  if (core.serverGone.load()) {
    clientsOfGoneServers.fetch_sub(1);
  }
}

void JackConnection::Shutdown(jack_status_t /*code*/, const char* /*reason*/,
                              void* argument) noexcept {
  Core& core = *static_cast<Core*>(argument);
  if (!core.serverGone.exchange(true)) {
    clientsOfGoneServers.fetch_add(1);
  }
  MmResult none = kNoError;
  core.lost.compare_exchange_strong(none, core.stoppedReason);
  core.wake.release();
}

void JackConnection::Watch(Core& core) noexcept {
  constexpr std::chrono::milliseconds kRetry{10};
  for (;;) {
    core.wake.acquire();
    if (core.stopping.load()) {
      return;
    }
    const MmResult reason = core.lost.load();
    if (reason == kNoError) {
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
        device->Lose(reason);
      }
    }
    core.watching.store(false);
  }
}

}  // namespace morvane::midi
