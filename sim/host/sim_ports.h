#pragma once

#include <span>
#include <string>

#include "sim/simulated_module.h"

namespace morvane::sim {

// The simulated module's two ports on the system's MIDI: NAME-in:in receives, NAME-out:out
// answers. Everything runs on the host's one thread.
class SimPorts {
 public:
  virtual ~SimPorts() = default;
  // The next message (or piece of one) received; false when none came within a short wait.
  virtual bool Receive(Message& bytes) = 0;
  // Sends bytes as they are: a whole message, or a piece of one.
  virtual void Send(std::span<const std::uint8_t> bytes) = 0;
  virtual std::string ApiName() const = 0;
};

}  // namespace morvane::sim
