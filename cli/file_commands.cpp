#include <cstdint>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "name_argument.h"
#include "param_names.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "preset/payload_map.h"
#include "preset/preset_file.h"
#include "preset/tmrv.h"
#include "preset/value_codec.h"
#include "value_checks.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace morvane::cli {

namespace {

using preset::tMrv;

// As diff and cmp: presets that differ are a result, not a failure, but scripts test for it.
constexpr int kPresetsDiffer = 1;

struct FileOptions {
  std::string file;
  std::string secondFile;
  std::string out;
  std::string param;
  std::string name;
  int layer = kCommonLayer;
  std::int64_t value = 0;
  bool force = false;
  int fromLayer = kMinLayer;
  int toLayer = kMinLayer;
  std::int64_t presetNumber = 0;
  CLI::Option* presetOption = nullptr;
};

tMrv Load(const std::string& fileName) {
  return LoadPresetFile(fileName);
}

const std::string& OutputName(const FileOptions& options) {
  return options.out.empty() ? options.file : options.out;
}

void AddOutOption(CLI::App* command, FileOptions& options) {
  command->add_option("-o,--out", options.out, "Write the result here instead of over FILE");
}

void AddFileArgument(CLI::App* command, FileOptions& options) {
  command->add_option("FILE", options.file, "A .syx preset file")->required();
}

constexpr char kParamHelp[] =
    "Parameter: decimal (1410), HH:LL hexadecimal (0B:02), the name a value control shows "
    "before its colon (vol) or a name from parms.txt (\"Layer vol\"); a name of a layer "
    "parameter needs --layer 1-4";

std::optional<int> GivenLayer(const CLI::App* command, const FileOptions& options) {
  if (command->count("--layer") == 0) {
    return std::nullopt;
  }
  return options.layer;
}

void AddLayerOption(CLI::App* command, FileOptions& options) {
  command->add_option("--layer", options.layer, "0 for the common block, 1-4 for a layer")
      ->check(CLI::Range(kCommonLayer, kMaxLayer));
}

std::string NameLine(const std::string& name) {
  return "\"" + name + "\"";
}

// The image keeps its stored fourth character (the ":" of the module's names): a different one
// given is told on standard error, and the command still succeeds.
void WarnOfFourthCharacter(const std::string& given, const std::string& stored) {
  constexpr std::size_t kFourth = 3;
  if (given.size() > kFourth && stored.size() > kFourth && given[kFourth] != stored[kFourth]) {
    std::cerr << "warning: the fourth character stays '" << stored[kFourth] << "' as stored, not '"
              << given[kFourth] << "' as given\n";
  }
}

void WriteBinaryToStdout(const preset::Bytes& bytes, std::ostream& out) {
#ifdef _WIN32
  out.flush();
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.flush();
}

}  // namespace

tMrv LoadPresetFile(const std::string& fileName) {
  tMrv image;
  image.LoadPresetFromBytes(preset::ReadPresetFile(fileName));
  return image;
}

void AddFileCommands(CLI::App& app, std::ostream& out, int& exitStatus) {
  auto options = std::make_shared<FileOptions>();
  FileOptions& o = *options;

  CLI::App* info = app.add_subcommand("info", "Print the preset's name, preset number and size");
  AddFileArgument(info, o);
  info->callback([options, &out] {
    tMrv image = Load(options->file);
    const auto raw = image.RawDump().View();
    out << "name: " << NameLine(image.ReadName()) << "\n";
    out << "preset: "
        << preset::DecodeValue(raw[preset::kPresetNumberOffset],
                               raw[preset::kPresetNumberOffset + 1])
        << "\n";
    out << "bytes: " << raw.size() << "\n";
  });

  CLI::App* get = app.add_subcommand("get", "Print one parameter's value in decimal");
  AddFileArgument(get, o);
  get->add_option("PARAM", o.param, kParamHelp)->required();
  AddLayerOption(get, o);
  get->callback([options, get, &out] {
    tMrv image = Load(options->file);
    const ParamTarget target = ResolveParam(options->param, GivenLayer(get, *options));
    out << image.ReadParam(preset::GroupOf(target.param.high), target.param.low, target.layer)
        << "\n";
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
    tMrv image = Load(options->file);
    const ParamTarget target = ResolveParam(options->param, GivenLayer(set, *options));
    const int value = ValueToStore(options->value, target, options->force);
    image.WriteParam(preset::GroupOf(target.param.high), target.param.low, target.layer, value);
    image.SavePreset(OutputName(*options));
  });

  CLI::App* rename =
      app.add_subcommand("rename", "Rename the preset and save it (the fourth character is kept)");
  AddFileArgument(rename, o);
  rename->add_option("NAME", o.name, "Up to 16 characters")->required();
  AddOutOption(rename, o);
  rename->callback([options] {
    tMrv image = Load(options->file);
    const std::string stored = image.ReadName();
    const std::string name = NameToStore(options->name, std::cerr);
    image.WriteName(name);
    image.SavePreset(OutputName(*options));
    WarnOfFourthCharacter(name, stored);
  });

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
  copyLayer->callback([options] {
    tMrv image = Load(options->file);
    image.CopyLayerParams(options->fromLayer, options->toLayer);
    image.SavePreset(OutputName(*options));
  });

  CLI::App* dump = app.add_subcommand("dump", "Print the dump that would be sent, on one line");
  AddFileArgument(dump, o);
  o.presetOption = dump->add_option("--preset", o.presetNumber,
                                    "Preset number to put in the header (-1 the edit buffer)");
  dump->callback([options, &out] {
    tMrv image = Load(options->file);
    if (options->presetOption->count() > 0) {
      image.SetPresetNumber(NumberIn(options->presetNumber, ExactRange(), "--preset",
                                     "the preset numbers a dump's header carries"));
    }
    out << FormatHex(image.BuildDump()) << "\n";
  });

  CLI::App* diff = app.add_subcommand(
      "diff",
      "Print the name and the values that differ between two presets. Exit status: 0 when "
      "the presets are the same, 1 when they differ or a file cannot be read (the reason then "
      "on standard error)");
  diff->add_option("A", o.file, "The first .syx file")->required();
  diff->add_option("B", o.secondFile, "The second .syx file")->required();
  diff->callback([options, &out, &exitStatus] {
    tMrv a = Load(options->file);
    tMrv b = Load(options->secondFile);
    const std::string nameA = a.ReadName();
    const std::string nameB = b.ReadName();
    bool differ = false;
    if (nameA != nameB) {
      out << "name " << NameLine(nameA) << " -> " << NameLine(nameB) << "\n";
      differ = true;
    }
    const auto bytesA = a.View();
    const auto bytesB = b.View();
    for (std::size_t offset = preset::kNameSize; offset + 1 < preset::kPayloadSize; offset += 2) {
      if (bytesA[offset] == bytesB[offset] && bytesA[offset + 1] == bytesB[offset + 1]) {
        continue;
      }
      const auto location = preset::ParamAtOffset(offset);
      if (!location) {
        continue;
      }
      if (location->layer == kCommonLayer) {
        out << "common ";
      } else {
        out << "layer " << location->layer << " ";
      }
      out << FormatParam(location->param) << " "
          << preset::DecodeValue(bytesA[offset], bytesA[offset + 1]) << " -> "
          << preset::DecodeValue(bytesB[offset], bytesB[offset + 1]) << "\n";
      differ = true;
    }
    if (differ) {
      exitStatus = kPresetsDiffer;
    }
  });

  CLI::App* make =
      app.add_subcommand("new", "Write our initial preset (standard output unless -o is given)");
  make->add_option("-o,--out", o.out, "The file to write");
  make->callback([options, &out] {
    const preset::Bytes bytes = preset::BuildInitialPreset();
    if (options->out.empty()) {
      WriteBinaryToStdout(bytes, out);
    } else {
      preset::WriteFileReplacing(options->out, bytes);
    }
  });
}

}  // namespace morvane::cli
