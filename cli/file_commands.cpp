#include <cstdint>
#include <fstream>
#include <iostream>
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

tMrv Load(const std::string& fileName) {
  return LoadPresetFile(fileName);
}

const std::string& OutputName(const FileOptions& options) {
  return options.out.empty() ? options.file : options.out;
}

std::optional<int> GivenLayer(const FileOptions& options) {
  if (!options.layerGiven) {
    return std::nullopt;
  }
  return options.layer;
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

void RunInfo(const FileOptions& options, std::ostream& out) {
  tMrv image = Load(options.file);
  const auto raw = image.RawDump().View();
  out << "name: " << NameLine(image.ReadName()) << "\n";
  out << "preset: "
      << preset::DecodeValue(raw[preset::kPresetNumberOffset], raw[preset::kPresetNumberOffset + 1])
      << "\n";
  out << "bytes: " << raw.size() << "\n";
}

void RunGet(const FileOptions& options, std::ostream& out) {
  tMrv image = Load(options.file);
  const ParamTarget target = ResolveParam(options.param, GivenLayer(options));
  out << image.ReadParam(preset::GroupOf(target.param.high), target.param.low, target.layer)
      << "\n";
}

void RunSet(const FileOptions& options) {
  tMrv image = Load(options.file);
  const ParamTarget target = ResolveParam(options.param, GivenLayer(options));
  const int value = ValueToStore(options.value, target, options.force);
  image.WriteParam(preset::GroupOf(target.param.high), target.param.low, target.layer, value);
  image.SavePreset(OutputName(options));
}

void RunRename(const FileOptions& options) {
  tMrv image = Load(options.file);
  const std::string stored = image.ReadName();
  const std::string name = NameToStore(options.name, std::cerr);
  image.WriteName(name);
  image.SavePreset(OutputName(options));
  WarnOfFourthCharacter(name, stored);
}

void RunCopyLayer(const FileOptions& options) {
  tMrv image = Load(options.file);
  image.CopyLayerParams(options.fromLayer, options.toLayer);
  image.SavePreset(OutputName(options));
}

void RunDump(const FileOptions& options, std::ostream& out) {
  tMrv image = Load(options.file);
  if (options.presetGiven) {
    image.SetPresetNumber(NumberIn(options.presetNumber, ExactRange(), "--preset",
                                   "the preset numbers a dump's header carries"));
  }
  out << FormatHex(image.BuildDump()) << "\n";
}

int RunDiff(const FileOptions& options, std::ostream& out) {
  tMrv a = Load(options.file);
  tMrv b = Load(options.secondFile);
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
  return differ ? kPresetsDiffer : 0;
}

void RunNew(const FileOptions& options, std::ostream& out) {
  const preset::Bytes bytes = preset::BuildInitialPreset();
  if (options.out.empty()) {
    WriteBinaryToStdout(bytes, out);
  } else {
    preset::WriteFileReplacing(options.out, bytes);
  }
}

}  // namespace morvane::cli
