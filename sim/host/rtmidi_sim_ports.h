#pragma once

#include <RtMidi.h>

#include <memory>
#include <ostream>
#include <string>

#include "sim_ports.h"

namespace morvane::sim {

// The ports as virtual ports of RtMidi's ALSA sequencer API.
class RtMidiSimPorts final : public SimPorts {
 public:
  // RtMidiError when the API cannot open them.
  RtMidiSimPorts(RtMidi::Api api, const std::string& name);

  bool Receive(Message& bytes) override;
  void Send(std::span<const std::uint8_t> bytes) override;
  std::string ApiName() const override;

 private:
  std::unique_ptr<RtMidiIn> in_;
  std::unique_ptr<RtMidiOut> out_;
};

}  // namespace morvane::sim
