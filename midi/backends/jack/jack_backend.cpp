#include "midi/backends/jack/jack_backend.h"

#include <jack/jack.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "midi/backends/jack/jack_connection.h"
#include "midi/backends/jack/jack_devices.h"
#include "midi/backends/jack/jack_events.h"
#include "midi/backends/jack/jack_log.h"
#include "midi/backends/jack/jack_worker.h"
#include "midi/error_texts.h"

namespace morvane::midi {

namespace {

constexpr const char* kApiVariable = "MORVANE_MIDI_API";
constexpr const char* kApiName = "jack";
constexpr std::uint16_t kTechnologyPort = 1;
constexpr std::uint16_t kAllChannels = 0xFFFF;
constexpr std::chrono::milliseconds kDrainStep{1};

// Whether a server may be listening, from its socket file alone: asking libjack when
// none is costs tens of milliseconds and fills its error hook.
bool ServerMayBeRunning() {
#ifdef __linux__
  if (std::getenv("JACK_PROMISCUOUS_SERVER") != nullptr) {
    return true;
  }
  const char* server = std::getenv("JACK_DEFAULT_SERVER");
  const std::string name = server != nullptr && *server != '\0' ? server : "default";
  const std::string uid = std::to_string(getuid());
  // jackd2's request socket, then jack1's server folder.
  for (const std::string& path :
       {"/dev/shm/jack_" + name + "_" + uid + "_0", "/dev/shm/jack-" + uid + "/" + name}) {
    if (access(path.c_str(), F_OK) == 0) {
      return true;
    }
  }
  return false;
#else
  return true;
#endif
}

JackOutput* AsOutput(DeviceHandle device) {
  return reinterpret_cast<JackOutput*>(device);
}

JackInput* AsInput(DeviceHandle device) {
  return reinterpret_cast<JackInput*>(device);
}

}  // namespace

JackBackend::JackBackend(std::string ownClientName, std::string ownPortName)
    : ownClientName_(std::move(ownClientName)),
      ownPortName_(std::move(ownPortName)),
      worker_(std::make_shared<JackWorker>()) {
  // The variable chooses among the system's devices; ports of our own were asked for.
  const char* wanted = ownPortName_.empty() ? std::getenv(kApiVariable) : nullptr;
  named_ = wanted != nullptr && std::string(wanted) == kApiName;
  enabled_ = wanted == nullptr || *wanted == '\0' || named_;
  JackLog::Install(named_);
  noServer_ = texts_.Code("No JACK server is running");
  serverStopped_ = texts_.Code("The JACK server stopped");
  notAnswering_ = texts_.Code("The JACK server does not answer");
  tooLong_ = texts_.Code("The message is longer than JACK carries at once");
  gaveUp_ = texts_.Code("Not sent: the JACK server did not take it before the port closed");
  reset_ = texts_.Code("Not sent: the port was reset");
}

JackBackend::~JackBackend() {
  // The client closes on the worker, which the connection keeps, after what is queued there.
  connection_.reset();
  lateOpen_.reset();
  JackLog::Install(false);
}

void JackBackend::ForgetLostConnection() {
  if (connection_ && connection_->Lost()) {
    // Open devices keep the old client until they are closed; the last one closes it.
    connection_.reset();
  }
}

std::shared_ptr<JackConnection> JackBackend::Connection() {
  ForgetLostConnection();
  // Nothing more is asked of a server that has not answered a call yet; a client that opened
  // after its deadline is taken once the worker is through with it.
  if (connection_ || worker_->Overdue()) {
    return connection_;
  }
  connection_ = JackConnection::Adopt(lateOpen_);
  // Asked for by name, libjack itself is asked, and says on the terminal why not.
  if (connection_ || !enabled_ || (!named_ && !ServerMayBeRunning())) {
    return connection_;
  }
  const auto now = std::chrono::steady_clock::now();
  if (failedAttempt_ && now - lastFailedAttempt_ < kRetryInterval) {
    return nullptr;
  }
  std::string failure;
  connection_ = JackConnection::Open(worker_, ownClientName_, serverStopped_, failure, lateOpen_);
  failedAttempt_ = connection_ == nullptr;
  lastFailedAttempt_ = now;
  return connection_;
}

bool JackBackend::Connected() {
  return Connection() != nullptr;
}

std::string JackBackend::DeviceTrouble() {
  std::string text;
  if (worker_->Overdue()) {
    texts_.Text(notAnswering_, text);
  }
  return text;
}

bool JackBackend::Ask(std::function<void()> call) {
  if (worker_->Run(std::move(call))) {
    return true;
  }
  // Its devices are told, and closed by their ports; the client closes on the worker once
  // the call it is stuck in has returned.
  if (connection_) {
    connection_->GiveUp(notAnswering_);
    connection_.reset();
  }
  return false;
}

std::vector<std::string> JackBackend::Ports(unsigned long flags) {
  const std::shared_ptr<JackConnection> connection = Connection();
  if (!connection) {
    return {};
  }
  jack_client_t* client = connection->Client();
  if (!ownPortName_.empty()) {
    return {std::string(jack_get_client_name(client)) + ":" + ownPortName_};
  }
  // The worker may still fill it after the deadline.
  auto names = std::make_shared<std::vector<std::string>>();
  const bool answered = Ask([client, flags, names, own = ownClientName_] {
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (ports == nullptr) {
      return;
    }
    for (const char** port = ports; *port != nullptr; ++port) {
      if (std::string_view(*port).rfind(own, 0) != 0) {
        names->emplace_back(*port);
      }
    }
    jack_free(static_cast<void*>(ports));
  });
  return answered ? std::move(*names) : std::vector<std::string>();
}

MmResult JackBackend::Failure(const std::string& text, const std::string& detail) {
  return texts_.Code(detail.empty() ? text : text + " (" + detail + ")");
}

MmResult JackBackend::OpenPort(const std::shared_ptr<JackConnection>& connection, const char* base,
                               unsigned long flags, const std::string& target, bool targetIsSource,
                               void*& opened) {
  struct Outcome {
    jack_port_t* port = nullptr;
    bool made = false;
    std::string detail;
  };
  auto outcome = std::make_shared<Outcome>();
  jack_client_t* client = connection->Client();
  const bool own = !ownPortName_.empty();
  const std::string first = own ? ownPortName_ : std::string(base);
  const std::size_t variants = own ? 1 : JackConnection::kMaxDevices;
  const bool answered = Ask([=] {
    jack_port_t* port = nullptr;
    for (std::size_t number = 1; port == nullptr && number <= variants; ++number) {
      const std::string name = number == 1 ? first : first + "-" + std::to_string(number);
      if (jack_port_by_name(client, (jack_get_client_name(client) + (":" + name)).c_str()) ==
          nullptr) {
        port = jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
        if (port == nullptr) {
          break;
        }
      }
    }
    if (port == nullptr) {
      outcome->detail = JackLog::LatestError();
      return;
    }
    outcome->made = true;
    if (!own) {
      const char* name = jack_port_name(port);
      const int connected = targetIsSource ? jack_connect(client, target.c_str(), name)
                                           : jack_connect(client, name, target.c_str());
      if (connected != 0 && connected != EEXIST) {
        outcome->detail = JackLog::LatestError();
        jack_port_unregister(client, port);
        return;
      }
    }
    outcome->port = port;
  });
  if (!answered) {
    return notAnswering_;
  }
  if (!outcome->made) {
    return Failure("Cannot make a JACK port", outcome->detail);
  }
  if (outcome->port == nullptr) {
    return Failure("Cannot connect to the JACK port " + target, outcome->detail);
  }
  opened = outcome->port;
  return kNoError;
}

MmResult JackBackend::NoDevice() const {
  if (worker_->Overdue()) {
    return notAnswering_;
  }
  return connection_ ? kBadDeviceId : noServer_;
}

MmResult JackBackend::ErrorText(MmResult code, std::string& text) const {
  if (texts_.Text(code, text)) {
    return kNoError;
  }
  return StandardErrorText(code, text);
}

MmResult JackBackend::OutPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return MarkPrepared(device != kNoDevice, header);
}

MmResult JackBackend::OutUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return MarkUnprepared(device != kNoDevice, header);
}

MmResult JackBackend::InPrepareHeader(DeviceHandle device, MidiHeader& header) {
  return OutPrepareHeader(device, header);
}

MmResult JackBackend::InUnprepareHeader(DeviceHandle device, MidiHeader& header) {
  return OutUnprepareHeader(device, header);
}

std::uint32_t JackBackend::OutGetNumDevs() {
  return static_cast<std::uint32_t>(Ports(JackPortIsInput).size());
}

MmResult JackBackend::OutGetDevCaps(std::int32_t deviceId, MidiOutCaps& caps) {
  const std::vector<std::string> ports = Ports(JackPortIsInput);
  const std::int32_t id = deviceId == kMidiMapper ? 0 : deviceId;
  if (id < 0 || static_cast<std::size_t>(id) >= ports.size()) {
    return kBadDeviceId;
  }
  caps = {};
  caps.productName = ports[static_cast<std::size_t>(id)];
  caps.technology = kTechnologyPort;
  caps.channelMask = kAllChannels;
  caps.queuesShortMessages = true;
  return kNoError;
}

MmResult JackBackend::OutOpen(DeviceHandle& device, std::int32_t deviceId,
                              DriverCallbackFn callback, std::uintptr_t instance) {
  const std::vector<std::string> ports = Ports(JackPortIsInput);
  const std::int32_t id = deviceId == kMidiMapper ? 0 : deviceId;
  if (id < 0 || static_cast<std::size_t>(id) >= ports.size()) {
    return NoDevice();
  }
  const std::shared_ptr<JackConnection> connection = connection_;
  void* port = nullptr;
  if (const MmResult failed = OpenPort(connection, "out", JackPortIsOutput,
                                       ports[static_cast<std::size_t>(id)], false, port)) {
    return failed;
  }
  auto output = std::make_unique<JackOutput>(connection, static_cast<jack_port_t*>(port), callback,
                                             instance, tooLong_);
  if (!connection->Attach(*output)) {
    return Failure("Too many JACK ports are open", {});
  }
  // A loss the watch thread may have handled before the device was there.
  if (connection->Lost()) {
    connection->Detach(*output);
    return connection->LostReason();
  }
  device = reinterpret_cast<DeviceHandle>(output.release());
  return kNoError;
}

MmResult JackBackend::OutClose(DeviceHandle device) {
  JackOutput* output = AsOutput(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  JackConnection& connection = output->Connection();
  // A running server is given a moment to take what is still queued; one that runs no
  // cycle any more takes nothing.
  const auto start = std::chrono::steady_clock::now();
  auto lastCycle = start;
  std::uint64_t cycles = connection.Cycles();
  for (auto now = start; output->Busy() && !connection.Lost() && now - start < kDrainDeadline &&
                         now - lastCycle < connection.Silence();
       now = std::chrono::steady_clock::now()) {
    std::this_thread::sleep_for(kDrainStep);
    if (connection.Cycles() != cycles) {
      cycles = connection.Cycles();
      lastCycle = now;
    }
  }
  if (!connection.Detach(*output)) {
    // Refused: the device keeps what it was given, and may still report it.
    return kStillPlaying;
  }
  if (output->Busy()) {
    output->FailQueued(connection.Lost() ? connection.LostReason() : gaveUp_);
  }
  delete output;
  ForgetLostConnection();
  return kNoError;
}

MmResult JackBackend::OutShortMsg(DeviceHandle device, std::uint32_t message) {
  JackOutput* output = AsOutput(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  if (output->Connection().Lost()) {
    return output->Connection().LostReason();
  }
  // A short message that failed earlier is reported by the next one.
  if (const MmResult failed = output->TakeShortFailure()) {
    return failed;
  }
  if (const MmResult full = output->Queue(nullptr, message)) {
    return full;
  }
  if (output->Connection().Lost()) {
    output->Connection().Kick();
  }
  return kNoError;
}

MmResult JackBackend::OutLongMsg(DeviceHandle device, MidiHeader& header) {
  JackOutput* output = AsOutput(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  if ((header.dwFlags & kHeaderPrepared) == 0) {
    return kUnprepared;
  }
  JackConnection& connection = output->Connection();
  if (connection.Lost()) {
    return connection.LostReason();
  }
  // Until a cycle has shown what an event can carry, the port's buffer is the bound, and a
  // message beyond what it shows fails when it is written.
  std::size_t largest = connection.LargestEvent();
  if (largest == 0) {
    largest = jack_port_type_get_buffer_size(connection.Client(), JACK_DEFAULT_MIDI_TYPE);
  }
  if (LongestJackEvent({header.lpData, header.dwBufferLength}) > largest) {
    return tooLong_;
  }
  header.dwResult = kNoError;
  header.dwFlags = (header.dwFlags & ~kHeaderDone) | kHeaderInQueue;
  if (const MmResult full = output->Queue(&header, 0)) {
    header.dwFlags &= ~kHeaderInQueue;
    return full;
  }
  if (connection.Lost()) {
    connection.Kick();
  }
  return kNoError;
}

MmResult JackBackend::OutReset(DeviceHandle device) {
  JackOutput* output = AsOutput(device);
  if (output == nullptr) {
    return kInvalidHandle;
  }
  JackConnection& connection = output->Connection();
  if (!connection.Detach(*output)) {
    return kStillPlaying;
  }
  if (output->Busy()) {
    output->FailQueued(connection.Lost() ? connection.LostReason() : reset_);
  }
  if (!connection.Attach(*output)) {
    return Failure("Too many JACK ports are open", {});
  }
  return kNoError;
}

MmResult JackBackend::OutGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text);
}

std::uint32_t JackBackend::InGetNumDevs() {
  return static_cast<std::uint32_t>(Ports(JackPortIsOutput).size());
}

MmResult JackBackend::InGetDevCaps(std::uint32_t deviceId, MidiInCaps& caps) {
  const std::vector<std::string> ports = Ports(JackPortIsOutput);
  if (deviceId >= ports.size()) {
    return kBadDeviceId;
  }
  caps = {};
  caps.productName = ports[deviceId];
  return kNoError;
}

MmResult JackBackend::InOpen(DeviceHandle& device, std::uint32_t deviceId,
                             DriverCallbackFn callback, std::uintptr_t instance) {
  const std::vector<std::string> ports = Ports(JackPortIsOutput);
  if (deviceId >= ports.size()) {
    return NoDevice();
  }
  const std::shared_ptr<JackConnection> connection = connection_;
  void* port = nullptr;
  if (const MmResult failed =
          OpenPort(connection, "in", JackPortIsInput, ports[deviceId], true, port)) {
    return failed;
  }
  auto input =
      std::make_unique<JackInput>(connection, static_cast<jack_port_t*>(port), callback, instance);
  if (!connection->Attach(*input)) {
    return Failure("Too many JACK ports are open", {});
  }
  if (connection->Lost()) {
    connection->Detach(*input);
    return connection->LostReason();
  }
  device = reinterpret_cast<DeviceHandle>(input.release());
  return kNoError;
}

MmResult JackBackend::InClose(DeviceHandle device) {
  JackInput* input = AsInput(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  if (input->Stream().HasQueued() || !input->Connection().Detach(*input)) {
    return kStillPlaying;
  }
  delete input;
  ForgetLostConnection();
  return kNoError;
}

MmResult JackBackend::InAddBuffer(DeviceHandle device, MidiHeader& header) {
  JackInput* input = AsInput(device);
  return input == nullptr ? kInvalidHandle : input->Stream().Add(header);
}

MmResult JackBackend::InStart(DeviceHandle device) {
  JackInput* input = AsInput(device);
  if (input == nullptr) {
    return kInvalidHandle;
  }
  input->Stream().Start();
  return kNoError;
}

MmResult JackBackend::InStop(DeviceHandle device) {
  JackInput* input = AsInput(device);
  return input == nullptr ? kInvalidHandle : input->Stream().Stop();
}

MmResult JackBackend::InReset(DeviceHandle device) {
  JackInput* input = AsInput(device);
  return input == nullptr ? kInvalidHandle : input->Stream().Reset();
}

MmResult JackBackend::InGetErrorText(MmResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace morvane::midi
