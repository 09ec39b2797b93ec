// The tool's command line: every option of every command, and the parse that runs the one chosen.
// CLI11 is header-only and slow to compile, so this is the only file that includes it; the
// commands take what it parsed through the plain structs of commands.h.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>

#include "arguments.h"
#include "command_words.h"
#include "commands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace morvane::cli;

constexpr int kFailure = 1;
constexpr char kOutputError[] = "Cannot write to standard output";

constexpr char kParamHelp[] =
    "Parameter: decimal (1410), HH:LL hexadecimal (0B:02), the name a value control shows "
    "before its colon (vol) or a name from parms.txt (\"Layer vol\"); a name of a layer "
    "parameter needs --layer 1-4";

void AddOutOption(CLI::App* command, FileOptions& options) {
  command->add_option("-o,--out", options.out, "Write the result here instead of over FILE");
}

void AddFileArgument(CLI::App* command, FileOptions& options) {
  command->add_option("FILE", options.file, "A .syx preset file")->required();
}

void AddLayerOption(CLI::App* command, FileOptions& options) {
  command->add_option("--layer", options.layer, "0 for the common block, 1-4 for a layer")
      ->check(CLI::Range(kCommonLayer, kMaxLayer));
}

bool LayerGiven(const CLI::App* command) {
  return command->count("--layer") > 0;
}

// info, get, set, rename, copy-layer, dump, diff, new. exitStatus receives what the command's
// result asks the program to end with (diff: 1 when the presets differ); it stays 0 otherwise.
void AddFileCommands(CLI::App& app, std::ostream& out, int& exitStatus) {
  auto options = std::make_shared<FileOptions>();
  FileOptions& o = *options;

  CLI::App* info = app.add_subcommand("info", "Print the preset's name, preset number and size");
  AddFileArgument(info, o);
  info->callback([options, &out] { RunInfo(*options, out); });

  CLI::App* get = app.add_subcommand("get", "Print one parameter's value in decimal");
  AddFileArgument(get, o);
  get->add_option("PARAM", o.param, kParamHelp)->required();
  AddLayerOption(get, o);
  get->callback([options, get, &out] {
    options->layerGiven = LayerGiven(get);
    RunGet(*options, out);
  });

  CLI::App* set = app.add_subcommand("set", "Set one parameter and save the preset");
  AddFileArgument(set, o);
  set->add_option("PARAM", o.param, kParamHelp)->required();
  set->add_option("VALUE", o.value, "The new value (negative numbers allowed)")->required();
  AddLayerOption(set, o);
  AddOutOption(set, o);
  set->add_flag("--force", o.force,
                "Write a value outside the range of the control that shows the parameter (it "
                "must still read back as itself)");
  set->callback([options, set] {
    options->layerGiven = LayerGiven(set);
    RunSet(*options);
  });

  CLI::App* rename =
      app.add_subcommand("rename", "Rename the preset and save it (the fourth character is kept)");
  AddFileArgument(rename, o);
  rename->add_option("NAME", o.name, "Up to 16 characters")->required();
  AddOutOption(rename, o);
  rename->callback([options] { RunRename(*options); });

  CLI::App* copyLayer = app.add_subcommand(
      "copy-layer", "Copy the first 45 values of one layer onto another and save the preset");
  AddFileArgument(copyLayer, o);
  copyLayer->add_option("FROM", o.fromLayer, "Source layer 1-4")
      ->required()
      ->check(CLI::Range(kMinLayer, kMaxLayer));
  copyLayer->add_option("TO", o.toLayer, "Target layer 1-4")
      ->required()
      ->check(CLI::Range(kMinLayer, kMaxLayer));
  AddOutOption(copyLayer, o);
  copyLayer->callback([options] { RunCopyLayer(*options); });

  CLI::App* dump = app.add_subcommand("dump", "Print the dump that would be sent, on one line");
  AddFileArgument(dump, o);
  CLI::Option* presetOption = dump->add_option(
      "--preset", o.presetNumber, "Preset number to put in the header (-1 the edit buffer)");
  dump->callback([options, presetOption, &out] {
    options->presetGiven = presetOption->count() > 0;
    RunDump(*options, out);
  });

  CLI::App* diff = app.add_subcommand(
      "diff",
      "Print the name and the values that differ between two presets. Exit status: 0 when "
      "the presets are the same, 1 when they differ or a file cannot be read (the reason then "
      "on standard error)");
  diff->add_option("A", o.file, "The first .syx file")->required();
  diff->add_option("B", o.secondFile, "The second .syx file")->required();
  diff->callback([options, &out, &exitStatus] { exitStatus = RunDiff(*options, out); });

  CLI::App* make =
      app.add_subcommand("new", "Write our initial preset (standard output unless -o is given)");
  make->add_option("-o,--out", o.out, "The file to write");
  make->callback([options, &out] { RunNew(*options, out); });
}

void AddShowCommand(CLI::App& app, std::ostream& out) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* show = app.add_subcommand(
      "show",
      "Print each value control of the Common, Layer and Patchcords pages as the "
      "window shows the preset: NAME HH:LL VALUE \"CAPTION\" (- where it keeps its "
      "previous caption)");
  show->add_option("FILE", options->file, "A .syx preset file")->required();
  show->add_option("--layer", options->layer,
                   "The layer that the Layer and Patchcords pages show, 1-4")
      ->check(CLI::Range(kMinLayer, kMaxLayer));
  show->add_flag("--names", options->names,
                 "Add each control's parameter name from parms.txt in quotes (- for the "
                 "preset-wide controls, which the list does not hold)");
  show->callback([options, &out] { RunShow(*options, out); });
}

void AddChannelOptions(CLI::App* command, MessageOptions& o) {
  command->add_option("--channel", o.channel, "MIDI channel 1-16 (default 1)")
      ->check(CLI::Range(kMinChannel, kMaxChannel));
  command->add_flag("--no-bf", o.noBf,
                    "BF clear: address the channel's preset instead of the edit buffer");
}

CLI::Option* AddLayerArgument(CLI::App* command, const std::string& name, int& layer,
                              const std::string& help) {
  return command->add_option(name, layer, help)
      ->required()
      ->check(CLI::Range(kMinLayer, kMaxLayer));
}

// msg ..., encode, decode.
void AddMessageCommands(CLI::App& app, std::ostream& out) {
  auto options = std::make_shared<MessageOptions>();
  MessageOptions& o = *options;

  CLI::App* msg = app.add_subcommand("msg", "Print the SysEx messages the editor sends");
  msg->require_subcommand(1);

  CLI::App* edit =
      msg->add_subcommand("edit", "The preset-select, layer-select and parameter-edit strings");
  edit->add_option("PARAM", o.param, "Parameter: decimal (1410) or HH:LL hexadecimal (0B:02)")
      ->required();
  edit->add_option("VALUE", o.value, "The value (negative numbers allowed)")->required();
  edit->add_option("--layer", o.layer, "0 for the common block (default), 1-4 for a layer")
      ->check(CLI::Range(kCommonLayer, kMaxLayer));
  AddChannelOptions(edit, o);
  edit->callback([options, &out] { RunMessageEdit(*options, out); });

  CLI::App* request = msg->add_subcommand("request", "The dump request");
  AddChannelOptions(request, o);
  request->callback([options, &out] { RunMessageRequest(*options, out); });

  CLI::App* copy = msg->add_subcommand("copy", "The layer copy");
  AddLayerArgument(copy, "FROM", o.fromLayer, "Source layer 1-4");
  AddLayerArgument(copy, "TO", o.toLayer, "Target layer 1-4");
  AddChannelOptions(copy, o);
  copy->callback([options, &out] { RunMessageCopy(*options, out); });

  CLI::App* mute = msg->add_subcommand("mute", "The layer mute");
  AddLayerArgument(mute, "LAYER", o.layer, "Layer 1-4");
  mute->callback([options, &out] { RunMessageMute(*options, out); });

  CLI::App* unmute = msg->add_subcommand("unmute", "The layer unmute");
  AddLayerArgument(unmute, "LAYER", o.layer, "Layer 1-4");
  unmute->callback([options, &out] { RunMessageUnmute(*options, out); });

  CLI::App* rename = msg->add_subcommand("rename", "The 18 strings of a rename");
  rename->add_option("NAME", o.name, "Up to 16 characters")->required();
  AddChannelOptions(rename, o);
  rename->callback([options, &out] { RunMessageRename(*options, out); });

  CLI::App* encode = app.add_subcommand("encode", "The two bytes (low, high) of a value");
  encode->add_option("N", o.value, "A signed value")->required();
  encode->callback([options, &out] { RunEncode(*options, out); });

  CLI::App* decode = app.add_subcommand("decode", "The value of two hexadecimal bytes");
  decode->add_option("LOW", o.low, "Low byte, hexadecimal")->required();
  decode->add_option("HIGH", o.high, "High byte, hexadecimal")->required();
  decode->callback([options, &out] { RunDecode(*options, out); });
}

void AddBankCommand(CLI::App& app) {
  auto options = std::make_shared<BankOptions>();
  CLI::App* bank = app.add_subcommand(
      "bank", "Split a bank of the module's 16 user presets into preset files, or join them");
  bank->require_subcommand(1);

  CLI::App* split =
      bank->add_subcommand("split", "Write the bank's presets to DIR/preset-01.syx .. 16.syx");
  split->add_option("BANK", options->bank, "A .syx bank of 16 preset dumps")->required();
  split->add_option("DIR", options->dir, "An existing folder")->required();
  split->callback([options] { RunBankSplit(*options); });

  CLI::App* join = bank->add_subcommand(
      "join", "Make a bank of 16 preset files, numbered as user presets 0 to 15 in order");
  join->add_option("FILE", options->files, "16 .syx preset files")->required();
  join->add_option("-o,--out", options->out, "The bank file to write")->required();
  join->callback([options] { RunBankJoin(*options); });
}

void AddLsCommand(CLI::App& app, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<LsOptions>();
  CLI::App* ls = app.add_subcommand(
      "ls",
      "List the presets of the .syx files under DIR and its sub-folders, one a line: category, "
      "name, file and position in a bank (1-16), separated by tabs; - where there is none. "
      "Files that cannot be read are named on standard error");
  ls->add_option("DIR", options->folder, "A folder of .syx files")->required();
  ls->add_option(
        "--search", options->search,
        "Only presets whose name, category or file holds every word of TEXT, in any letter case")
      ->type_name("TEXT");
  ls->callback([options, &out, &err] { RunLs(*options, out, err); });
}

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
  AddFileCommands(app, std::cout, exitStatus);
  AddShowCommand(app, std::cout);
  AddMessageCommands(app, std::cout);
  AddBankCommand(app);
  AddLsCommand(app, std::cout, std::cerr);
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
