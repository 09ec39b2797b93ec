#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "preset/bank_file.h"
#include "preset/preset_errors.h"
#include "preset/preset_file.h"

namespace morvane::cli {

namespace {

// DIR/preset-01.syx .. preset-16.syx; channel is 1..16.
std::string PresetFileName(const std::string& dir, int channel) {
  char name[] = "preset-00.syx";
  std::snprintf(name, sizeof name, "preset-%02d.syx", channel);
  return (std::filesystem::path(dir) / name).string();
}

}  // namespace

void RunBankSplit(const BankOptions& options) {
  const preset::Bank bank = preset::ReadBankFile(options.bank);
  // A missing folder is named by the first file, before any file is written.
  for (int presetNumber = 0; presetNumber < preset::kBankPresetCount; ++presetNumber) {
    bank[static_cast<std::size_t>(presetNumber)].SavePreset(
        PresetFileName(options.dir, presetNumber + 1));
  }
}

void RunBankJoin(const BankOptions& options) {
  if (options.files.size() != preset::kBankPresetCount) {
    throw preset::PresetError("A bank takes " + std::to_string(preset::kBankPresetCount) +
                              " preset files, not " + std::to_string(options.files.size()));
  }
  preset::Bank images;
  for (std::size_t index = 0; index < images.size(); ++index) {
    images[index].LoadPresetFromBytes(preset::ReadPresetFile(options.files[index]));
  }
  preset::WriteFileReplacing(options.out, preset::BuildBank(images));
}

}  // namespace morvane::cli
