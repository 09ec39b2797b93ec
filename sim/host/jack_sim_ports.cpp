#include "jack_sim_ports.h"

#include <stdexcept>
#include <thread>

#include "midi/midi_errors.h"
#include "midi/my_midi_event.h"

namespace morvane::sim {

namespace {
// Long enough for the host's loop to see its stop request soon.
constexpr std::chrono::milliseconds kIdlePoll{10};
// How long a server that is there but slow to answer is waited for at the start.
constexpr std::chrono::seconds kStartPatience{10};
// Room for a bank's worth of messages taken in one go.
constexpr std::uint16_t kInputBuffers = 128;
constexpr std::uint16_t kInputCapacity = 4096;
constexpr const char* kInPort = "in";
constexpr const char* kOutPort = "out";
constexpr const char* kNotAnswering = "The JACK server does not answer";
}  // namespace

JackSimPorts::JackSimPorts(std::string name, std::ostream& log, bool verbose)
    : name_(std::move(name)), log_(log), verbose_(verbose) {
  RenewBackends();
  const auto giveUp = std::chrono::steady_clock::now() + kStartPatience;
  for (;;) {
    try {
      Open();
      return;
    } catch (const std::exception& error) {
      // A server that takes long to take a client is waited for; none at all is not.
      if (lastFailure_ != kNotAnswering || std::chrono::steady_clock::now() > giveUp) {
        throw std::runtime_error(error.what());
      }
      std::this_thread::sleep_for(kIdlePoll);
    }
  }
}

JackSimPorts::~JackSimPorts() {
  Close();
}

void JackSimPorts::Close() noexcept {
  try {
    output_.reset();
    input_.reset();
  } catch (const std::exception&) {
    // A device the driver did not let go of stays with it.
  }
}

void JackSimPorts::RenewBackends() {
  Close();
  // Each closes its client on its worker and waits for it a moment.
  outSystem_.reset();
  inSystem_.reset();
  inSystem_ = std::make_unique<midi::JackBackend>(name_ + "-in", kInPort);
  outSystem_ = std::make_unique<midi::JackBackend>(name_ + "-out", kOutPort);
}

void JackSimPorts::Open() {
  Close();
  try {
    input_ = std::make_unique<midi::TMidiInput>(gui_, *inSystem_);
    input_->SetCapacity(kInputCapacity);
    input_->SetSysexBufferCount(kInputBuffers);
    input_->OpenPort();
    if (input_->State() != midi::misOpen) {
      throw midi::EMidiInputError(input_->ResultText(input_->Error()));
    }
    input_->StartInput();
    output_ = std::make_unique<midi::TMidiOutput>(gui_, *outSystem_);
    output_->SetDeviceID(0);
    if (!output_->OpenPort()) {
      throw midi::EmidioutputError(output_->ResultText(output_->LastResult()));
    }
  } catch (const std::exception& error) {
    Close();
    const std::string trouble = inSystem_->DeviceTrouble() + outSystem_->DeviceTrouble();
    lastFailure_ = trouble.empty() ? error.what() : kNotAnswering;
    throw;
  }
  input_->OnMidiInput = [this](midi::TMidiInput& input) { Take(input); };
  input_->OnDeviceLost = [this](const std::string& reason) { Lost(reason); };
  output_->OnDeviceLost = [this](const std::string& reason) { Lost(reason); };
  // An answer that did not go out is lost, as on a cable with nothing at its end.
  output_->OnSendFailed = [this](const std::string& text) {
    if (verbose_) {
      log_ << "   not sent: " << text << std::endl;
    }
  };
}

void JackSimPorts::Take(midi::TMidiInput& input) {
  while (input.PendingCount() != 0) {
    const auto event = input.TakeEvent();
    if (!event->SysexData.empty()) {
      received_.push_back(event->SysexData);
    } else if (event->StatusByte != midi::kSysexStatus) {
      const std::uint8_t bytes[] = {event->StatusByte, event->DataByte1, event->DataByte2};
      received_.emplace_back(bytes, bytes + midi::ShortMessageLength(event->StatusByte));
    }
  }
}

void JackSimPorts::Lost(const std::string& reason) {
  if (!lost_ && verbose_) {
    log_ << "lost the JACK server (" << reason << "), waiting for one" << std::endl;
  }
  lost_ = true;
  renewDue_ = true;
}

void JackSimPorts::ReopenWhenDue() {
  const auto now = std::chrono::steady_clock::now();
  if (!lost_ || now - lastAttempt_ < kReopenInterval) {
    return;
  }
  lastAttempt_ = now;
  const std::string before = lastFailure_;
  try {
    if (renewDue_) {
      renewDue_ = false;
      RenewBackends();
    }
    Open();
  } catch (const std::exception&) {
    // No server yet: looked for again after the interval.
    if (verbose_ && lastFailure_ != before) {
      log_ << "   not yet: " << lastFailure_ << std::endl;
    }
    return;
  }
  lost_ = false;
  lastFailure_.clear();
  if (verbose_) {
    log_ << "ports open again" << std::endl;
  }
}

bool JackSimPorts::Receive(Message& bytes) {
  if (received_.empty()) {
    gui_.PumpOnce(kIdlePoll);
    ReopenWhenDue();
  }
  if (received_.empty()) {
    return false;
  }
  bytes = std::move(received_.front());
  received_.pop_front();
  return true;
}

void JackSimPorts::Send(std::span<const std::uint8_t> bytes) {
  if (!output_) {
    return;
  }
  try {
    output_->SendLong(bytes);
  } catch (const midi::EmidioutputError& error) {
    if (verbose_) {
      log_ << "   not sent: " << error.what() << std::endl;
    }
  }
}

}  // namespace morvane::sim
