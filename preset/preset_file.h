#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "byte_stream.h"
#include "file_io.h"
#include "preset_errors.h"

namespace morvane::preset {

// A file that is not one preset: "<path> is not a Morvane preset: <reason>". A bank of sixteen
// framed presets is told apart, so that it can be offered as a bank.
class NotAPresetError : public PresetError {
 public:
  NotAPresetError(const std::string& path, const std::string& reason, bool bank)
      : PresetError(path + " is not a Morvane preset: " + reason), FBank(bank) {}
  bool IsBank() const { return FBank; }

 private:
  bool FBank;
};

// True when bytes are a bank file whose sixteen dumps are all framed.
bool IsBankOfPresets(std::span<const std::uint8_t> bytes);

// Throws NotAPresetError, naming path, unless bytes are one framed dump.
void CheckPresetBytes(std::span<const std::uint8_t> bytes, const std::string& path);

// The whole file, checked by CheckPresetBytes; "Cannot open file %s: <reason>" when it cannot be
// read.
Bytes ReadPresetFile(const std::string& fileName);

}  // namespace morvane::preset
