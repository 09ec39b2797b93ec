#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "byte_stream.h"
#include "dump_frame.h"
#include "dump_layout.h"
#include "file_io.h"
#include "tmrv.h"

namespace morvane::preset {

// A bank file (kBankSize bytes): the sixteen user presets of the module as dumps, one after
// another, the dump of user preset n carrying n at its bytes 7-8.
using Bank = std::array<tMrv, kBankPresetCount>;

// The sixteen images of a bank's bytes. The whole bank is checked before any image is made:
// "Not a bank of 16 presets: <path> holds N bytes, a bank 25680" for another size,
// "Preset N of the bank <path> is damaged" (N = 1..16) for a dump that is not framed as one.
// path only names the bank in those texts.
Bank ReadBank(std::span<const std::uint8_t> bytes, const std::string& path);
// ReadBank of the whole file; "Cannot open file %s: <reason>" when it cannot be read.
Bank ReadBankFile(const std::string& fileName);

// The bank of the images in order, each dump built as it is sent, with its position 0..15 as
// its preset number. The images themselves are not changed.
Bytes BuildBank(std::span<const tMrv, kBankPresetCount> images);

}  // namespace morvane::preset
