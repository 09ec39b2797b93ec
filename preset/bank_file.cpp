#include "bank_file.h"

#include "preset_errors.h"

namespace morvane::preset {

Bank ReadBank(std::span<const std::uint8_t> bytes, const std::string& path) {
  if (bytes.size() != kBankSize) {
    throw PresetError("Not a bank of " + std::to_string(kBankPresetCount) + " presets: " + path +
                      " holds " + std::to_string(bytes.size()) + " bytes, a bank " +
                      std::to_string(kBankSize));
  }
  for (int index = 0; index < kBankPresetCount; ++index) {
    if (!IsFramedDump(bytes.subspan(static_cast<std::size_t>(index) * kDumpSize, kDumpSize))) {
      throw PresetError("Preset " + std::to_string(index + 1) + " of the bank " + path +
                        " is damaged");
    }
  }
  Bank bank;
  for (std::size_t index = 0; index < bank.size(); ++index) {
    bank[index].LoadPresetFromBytes(bytes.subspan(index * kDumpSize, kDumpSize));
  }
  return bank;
}

Bank ReadBankFile(const std::string& fileName) {
  return ReadBank(ReadWholeFile(fileName), fileName);
}

Bytes BuildBank(std::span<const tMrv, kBankPresetCount> images) {
  Bytes bank;
  bank.reserve(kBankSize);
  for (int presetNumber = 0; presetNumber < kBankPresetCount; ++presetNumber) {
    tMrv outgoing = images[static_cast<std::size_t>(presetNumber)];
    outgoing.SetPresetNumber(presetNumber);
    const Bytes dump = outgoing.BuildDump();
    bank.insert(bank.end(), dump.begin(), dump.end());
  }
  return bank;
}

}  // namespace morvane::preset
