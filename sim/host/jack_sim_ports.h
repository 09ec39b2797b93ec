#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <ostream>
#include <string>

#include "midi/backends/jack/jack_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "sim_ports.h"

namespace morvane::sim {

// The ports on a JACK server through the editor's own backend, two clients NAME-in and
// NAME-out with a port each: every message goes out as a JACK event of its own, and no call
// waits for the server without a deadline. When the server goes away both clients go, and
// they are made again once a server answers.
class JackSimPorts final : public SimPorts {
 public:
  // How often a server is looked for once the ports are lost.
  static constexpr std::chrono::milliseconds kReopenInterval{300};

  // std::runtime_error, with the reason, when no server answers.
  JackSimPorts(std::string name, std::ostream& log, bool verbose);
  ~JackSimPorts() override;

  bool Receive(Message& bytes) override;
  void Send(std::span<const std::uint8_t> bytes) override;
  std::string ApiName() const override { return "jack"; }

 private:
  // Both ports opened on the backends, or neither; raises what kept them from opening.
  void Open();
  // New backends, the old ones' clients closed first: libjack takes a new server for the old
  // one while any client of the old one is open, also one its server never told of its end.
  void RenewBackends();
  void Close() noexcept;
  void Take(midi::TMidiInput& input);
  void Lost(const std::string& reason);
  void ReopenWhenDue();

  std::string name_;
  std::ostream& log_;
  bool verbose_;
  midi::QueuedGuiThread gui_;
  std::unique_ptr<midi::JackBackend> inSystem_;
  std::unique_ptr<midi::JackBackend> outSystem_;
  std::unique_ptr<midi::TMidiInput> input_;
  std::unique_ptr<midi::TMidiOutput> output_;
  std::deque<Message> received_;
  bool lost_ = false;
  bool renewDue_ = false;
  std::chrono::steady_clock::time_point lastAttempt_{};
  // Why the ports did not open again, as last said.
  std::string lastFailure_;
};

}  // namespace morvane::sim
