#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <exception>
#include <iostream>

#include "sim_host.h"

namespace {

constexpr int kFailure = 1;
constexpr int kLongestDelayMs = 60000;
std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) {
  stopRequested.store(true);
}

}  // namespace

int main(int argc, char** argv) {
  morvane::sim::SimHostOptions options;
  CLI::App app{
      "Simulated Morvane module on two virtual MIDI ports: NAME-in:in receives, NAME-out:out "
      "answers. Prints \"ready\" once the ports are open; runs until SIGINT or SIGTERM.",
      "morvane-sim"};
  app.add_option("--api", options.api, "jack or alsa (default: the first that works)")
      ->check(CLI::IsMember({"jack", "alsa"}));
  app.add_option("--name", options.name, "Client name prefix (default morvane-sim)");
  app.add_flag("--verbose", options.verbose, "Print every message received and sent");
  app.add_flag("--paced", options.paced, "Send replies at the MIDI wire rate (320 us a byte)");
  int delayMs = 0;
  int jitterMs = 0;
  int answerAs = 0;
  app.add_option("--delay", delayMs, "Answer a dump request this many ms late (default 0)")
      ->check(CLI::Range(0, kLongestDelayMs));
  app.add_option("--jitter", jitterMs, "Vary each answer's delay by up to this many ms either way")
      ->check(CLI::Range(0, kLongestDelayMs));
  app.add_option("--cut-off", options.answers.cutOffAfter,
                 "Send only this many bytes of each dump (0: the whole dump)");
  CLI::Option* answerAsOption = app.add_option(
      "--answer-as", answerAs, "Put this preset number into every dump sent (-1 the edit buffer)");
  app.add_flag("--noise", options.answers.noise,
               "Send real-time bytes and other devices' SysEx around and inside each dump");
  app.add_option("--seed", options.seed, "Start the jitter's random numbers from this seed");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kFailure;
  }

  options.answers.delay = std::chrono::milliseconds(delayMs);
  options.answers.jitter = std::chrono::milliseconds(jitterMs);
  if (answerAsOption->count() > 0) {
    options.answers.presetNumber = answerAs;
  }

  try {
    morvane::sim::SimHost host(options, std::cout);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::cout << "ready" << std::endl;
    if (options.verbose) {
      std::cout << "api " << host.ApiName() << ", ports " << options.name << "-in:in and "
                << options.name << "-out:out" << std::endl;
    }
    host.Run(stopRequested);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return kFailure;
  }
  return 0;
}
