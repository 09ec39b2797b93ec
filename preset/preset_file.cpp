#include "preset_file.h"

#include "bank_file.h"
#include "dump_frame.h"

namespace morvane::preset {

bool IsBankOfPresets(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kBankSize) {
    return false;
  }
  for (std::size_t index = 0; index < kBankPresetCount; ++index) {
    if (!IsFramedDump(bytes.subspan(index * kDumpSize, kDumpSize))) {
      return false;
    }
  }
  return true;
}

void CheckPresetBytes(std::span<const std::uint8_t> bytes, const std::string& path) {
  if (IsBankOfPresets(bytes)) {
    throw NotAPresetError(
        path, "it holds a bank of " + std::to_string(kBankPresetCount) + " presets", true);
  }
  if (const std::string fault = PresetFileFault(bytes); !fault.empty()) {
    throw NotAPresetError(path, fault, false);
  }
}

Bytes ReadPresetFile(const std::string& fileName) {
  Bytes bytes = ReadWholeFile(fileName);
  CheckPresetBytes(bytes, fileName);
  return bytes;
}

}  // namespace morvane::preset
