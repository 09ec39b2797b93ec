#include "rtmidi_sim_ports.h"

#include <chrono>
#include <thread>
#include <vector>

namespace morvane::sim {

namespace {
constexpr unsigned kInputQueueSize = 1024;
constexpr std::chrono::milliseconds kIdlePoll{1};
}  // namespace

RtMidiSimPorts::RtMidiSimPorts(RtMidi::Api api, const std::string& name)
    : in_(std::make_unique<RtMidiIn>(api, name + "-in", kInputQueueSize)),
      out_(std::make_unique<RtMidiOut>(api, name + "-out")) {
  // SysEx in; timing clock and active sensing ignored.
  in_->ignoreTypes(false, true, true);
  in_->openVirtualPort("in");
  out_->openVirtualPort("out");
}

bool RtMidiSimPorts::Receive(Message& bytes) {
  in_->getMessage(&bytes);
  if (bytes.empty()) {
    std::this_thread::sleep_for(kIdlePoll);
    return false;
  }
  return true;
}

void RtMidiSimPorts::Send(std::span<const std::uint8_t> bytes) {
  std::vector<unsigned char> message(bytes.begin(), bytes.end());
  out_->sendMessage(&message);
}

std::string RtMidiSimPorts::ApiName() const {
  return RtMidi::getApiName(in_->getCurrentApi());
}

}  // namespace morvane::sim
