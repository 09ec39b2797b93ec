#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "preset/bank_file.h"
#include "preset/preset_errors.h"
#include "preset/preset_file.h"

namespace morvane::cli {

namespace {

struct BankOptions {
  std::string bank;
  std::string dir;
  std::vector<std::string> files;
  std::string out;
};

// DIR/preset-01.syx .. preset-16.syx; channel is 1..16.
std::string PresetFileName(const std::string& dir, int channel) {
  char name[] = "preset-00.syx";
  std::snprintf(name, sizeof name, "preset-%02d.syx", channel);
  return (std::filesystem::path(dir) / name).string();
}

void Split(const BankOptions& options) {
  const preset::Bank bank = preset::ReadBankFile(options.bank);
  // A missing folder is named by the first file, before any file is written.
  for (int presetNumber = 0; presetNumber < preset::kBankPresetCount; ++presetNumber) {
    bank[static_cast<std::size_t>(presetNumber)].SavePreset(
        PresetFileName(options.dir, presetNumber + 1));
  }
}

void Join(const BankOptions& options) {
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

}  // namespace

void AddBankCommand(CLI::App& app) {
  auto options = std::make_shared<BankOptions>();
  CLI::App* bank = app.add_subcommand(
      "bank", "Split a bank of the module's 16 user presets into preset files, or join them");
  bank->require_subcommand(1);

  CLI::App* split =
      bank->add_subcommand("split", "Write the bank's presets to DIR/preset-01.syx .. 16.syx");
  split->add_option("BANK", options->bank, "A .syx bank of 16 preset dumps")->required();
  split->add_option("DIR", options->dir, "An existing folder")->required();
  split->callback([options] { Split(*options); });

  CLI::App* join = bank->add_subcommand(
      "join", "Make a bank of 16 preset files, numbered as user presets 0 to 15 in order");
  join->add_option("FILE", options->files, "16 .syx preset files")->required();
  join->add_option("-o,--out", options->out, "The bank file to write")->required();
  join->callback([options] { Join(*options); });
}

}  // namespace morvane::cli
