#include "sim_host.h"

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace morvane::sim {

namespace {

constexpr unsigned kInputQueueSize = 1024;
constexpr std::chrono::milliseconds kIdlePoll{1};
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned kHex = 16;

std::vector<RtMidi::Api> ApisToTry(const std::string& api) {
  if (api == "jack") {
    return {RtMidi::UNIX_JACK};
  }
  if (api == "alsa") {
    return {RtMidi::LINUX_ALSA};
  }
  if (api.empty()) {
    return {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK};
  }
  throw std::invalid_argument("Unknown MIDI API " + api + " (use jack or alsa)");
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty()) {
      text += ' ';
    }
    text += kHexDigits[byte / kHex];
    text += kHexDigits[byte % kHex];
  }
  return text;
}

}  // namespace

SimHost::SimHost(const SimHostOptions& options, std::ostream& log) : options_(options), log_(log) {
  module_.SetAnswerBehaviour(options.answers);
  module_.SeedJitter(options.seed);
  std::string failures;
  for (RtMidi::Api api : ApisToTry(options.api)) {
    try {
      auto in = std::make_unique<RtMidiIn>(api, options.name + "-in", kInputQueueSize);
      auto out = std::make_unique<RtMidiOut>(api, options.name + "-out");
      // SysEx in; timing clock and active sensing ignored.
      in->ignoreTypes(false, true, true);
      in->openVirtualPort("in");
      out->openVirtualPort("out");
      in_ = std::move(in);
      out_ = std::move(out);
      return;
    } catch (const RtMidiError& e) {
      failures += (failures.empty() ? "" : "; ") + RtMidi::getApiName(api) + ": " + e.getMessage();
    }
  }
  throw std::runtime_error("Cannot open virtual MIDI ports (" + failures + ")");
}

std::string SimHost::ApiName() const {
  return RtMidi::getApiName(in_->getCurrentApi());
}

void SimHost::Run(const std::atomic<bool>& stop) {
  std::vector<unsigned char> bytes;
  while (!stop.load()) {
    in_->getMessage(&bytes);
    if (bytes.empty()) {
      std::this_thread::sleep_for(kIdlePoll);
      continue;
    }
    Handle(bytes);
  }
}

void SimHost::Handle(const std::vector<unsigned char>& bytes) {
  if (options_.verbose) {
    log_ << "<- " << Hex(bytes) << std::endl;
  }
  const std::size_t malformedBefore = module_.MalformedCount();
  const std::size_t unknownBefore = module_.UnknownCount();
  const std::vector<Reply> replies = module_.ReceiveTimed(bytes);
  if (options_.verbose && module_.MalformedCount() != malformedBefore) {
    log_ << "   malformed, ignored" << std::endl;
  }
  if (options_.verbose && module_.UnknownCount() != unknownBefore) {
    log_ << "   unknown, ignored" << std::endl;
  }
  for (const Reply& reply : replies) {
    std::this_thread::sleep_for(reply.delay);
    if (options_.paced) {
      std::this_thread::sleep_for(SimulatedModule::WireTime(reply.bytes.size()));
    }
    std::vector<unsigned char> message(reply.bytes.begin(), reply.bytes.end());
    out_->sendMessage(&message);
    if (options_.verbose) {
      log_ << "-> " << Hex(message) << std::endl;
    }
  }
}

}  // namespace morvane::sim
