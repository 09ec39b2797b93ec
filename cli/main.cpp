#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "commands.h"

namespace {

constexpr int kFailure = 1;
constexpr char kOutputError[] = "Cannot write to standard output";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Reads, changes and compares Morvane .syx presets and prints the module's SysEx "
      "messages.\nPARAM is a decimal 14-bit number (1410) or HH:LL in hexadecimal (0B:02); "
      "LAYER 0 is the common block, 1-4 a layer; CHANNEL is 1-16.",
      "morvane"};
  app.require_subcommand(1);
  morvane::cli::AddFileCommands(app, std::cout);
  morvane::cli::AddShowCommand(app, std::cout);
  morvane::cli::AddMessageCommands(app, std::cout);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kFailure;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return kFailure;
  }
  // A full disk or a closed pipe must not pass for success.
  if (!std::cout.flush()) {
    std::cerr << kOutputError << "\n";
    return kFailure;
  }
  return 0;
}
