#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "command_words.h"
#include "commands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kFailure = 1;
constexpr char kOutputError[] = "Cannot write to standard output";

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // `new` writes a preset's bytes to standard output, which text mode would corrupt by
  // turning each 0x0A into 0x0D 0x0A. Lines end in "\n" on every platform.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  CLI::App app{
      "Reads, changes and compares Morvane .syx presets and prints the module's SysEx "
      "messages.\nPARAM is a decimal 14-bit number (1410) or HH:LL in hexadecimal (0B:02); "
      "LAYER 0 is the common block, 1-4 a layer; CHANNEL is 1-16.",
      "morvane"};
  app.require_subcommand(1);
  // CLI11 reads /name as an option on Windows; here it is a path on every platform.
  // Subcommands copy this setting from the app when they are added below.
  app.allow_windows_style_options(false);
  int exitStatus = 0;
  morvane::cli::AddFileCommands(app, std::cout, exitStatus);
  morvane::cli::AddShowCommand(app, std::cout);
  morvane::cli::AddMessageCommands(app, std::cout);
  morvane::cli::AddBankCommand(app);
  morvane::cli::AddLsCommand(app, std::cout, std::cerr);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    if (const auto unknown = morvane::cli::UnknownCommandMessage(app, argc, argv)) {
      std::cerr << *unknown << "\n";
      return kFailure;
    }
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
  return exitStatus;
}
