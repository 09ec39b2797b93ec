#pragma once

#include <atomic>
#include <memory>
#include <ostream>
#include <string>

#include "sim/simulated_module.h"
#include "sim_ports.h"

namespace morvane::sim {

struct SimHostOptions {
  std::string api;  // "jack", "alsa", or empty for the first that works
  std::string name = "morvane-sim";
  bool verbose = false;
  bool paced = false;
  // How dump requests are answered: late, cut off, for another preset, among noise.
  AnswerBehaviour answers;
  std::uint32_t seed = 1;
};

// The simulated module behind two ports of the system's MIDI: the input client NAME-in with
// port "in" and the output client NAME-out with port "out". On JACK they go through the
// editor's own libjack backend; on ALSA through RtMidi.
class SimHost {
 public:
  // Opens both ports; std::runtime_error, with each API's reason, when no API can.
  SimHost(const SimHostOptions& options, std::ostream& log);

  // Answers what arrives until stop becomes true.
  void Run(const std::atomic<bool>& stop);
  std::string ApiName() const { return ports_->ApiName(); }

 private:
  void Handle(const Message& bytes);

  SimHostOptions options_;
  std::ostream& log_;
  SimulatedModule module_;
  std::unique_ptr<SimPorts> ports_;
};

}  // namespace morvane::sim
