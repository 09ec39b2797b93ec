#include "sim_host.h"

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "rtmidi_sim_ports.h"
#ifdef MORVANE_HAVE_JACK
#include "jack_sim_ports.h"
#endif

namespace morvane::sim {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned kHex = 16;
constexpr const char* kJack = "jack";
constexpr const char* kAlsa = "alsa";

std::vector<std::string> ApisToTry(const std::string& api) {
  if (api == kJack || api == kAlsa) {
    return {api};
  }
  if (api.empty()) {
    return {kAlsa, kJack};
  }
  throw std::invalid_argument("Unknown MIDI API " + api + " (use jack or alsa)");
}

std::unique_ptr<SimPorts> OpenPorts(const std::string& api, const std::string& name,
                                    std::ostream& log, bool verbose) {
#ifdef MORVANE_HAVE_JACK
  if (api == kJack) {
    return std::make_unique<JackSimPorts>(name, log, verbose);
  }
#else
  static_cast<void>(log);
  static_cast<void>(verbose);
#endif
  return std::make_unique<RtMidiSimPorts>(api == kJack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA,
                                          name);
}

std::string Hex(const Message& bytes) {
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
  for (const std::string& api : ApisToTry(options.api)) {
    try {
      ports_ = OpenPorts(api, options.name, log, options.verbose);
      return;
    } catch (const RtMidiError& e) {
      failures += (failures.empty() ? "" : "; ") + api + ": " + e.getMessage();
    } catch (const std::runtime_error& e) {
      failures += (failures.empty() ? "" : "; ") + api + ": " + e.what();
    }
  }
  throw std::runtime_error("Cannot open virtual MIDI ports (" + failures + ")");
}

void SimHost::Run(const std::atomic<bool>& stop) {
  Message bytes;
  while (!stop.load()) {
    if (ports_->Receive(bytes)) {
      Handle(bytes);
    }
  }
}

void SimHost::Handle(const Message& bytes) {
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
    ports_->Send(reply.bytes);
    if (options_.verbose) {
      log_ << "-> " << Hex(reply.bytes) << std::endl;
    }
  }
}

}  // namespace morvane::sim
