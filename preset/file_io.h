#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "byte_stream.h"
#include "dump_layout.h"

namespace morvane::preset {

// The most bytes a reader takes, and what holds that many, for the refusal of a larger file:
// "it holds N bytes, more than the 25680 bytes of a bank".
struct FileSizeLimit {
  std::uintmax_t bytes;
  const char* holder;
};

// A bank of sixteen dumps is the largest preset file there is.
inline constexpr FileSizeLimit kPresetFileLimit{kBankSize, "a bank"};

// Reads a whole file that is looked at before it is read: only a regular file of at most
// limit.bytes is taken. A folder, a pipe, a device or a larger file is refused at once, without
// waiting on it. Fails with "Cannot open file %s: <reason in plain words>".
Bytes ReadWholeFile(const std::string& fileName, const FileSizeLimit& limit = kPresetFileLimit);
// The same for a path, which the messages name as fileName.
Bytes ReadWholeFile(const std::filesystem::path& path, const std::string& fileName,
                    const FileSizeLimit& limit);

// Writes a temporary file beside the target, makes it durable, and renames it over the target,
// then makes the rename durable: after a crash or a power cut the target is the old file or the
// complete new one. An existing target keeps its permissions and one that cannot be written stays
// untouched; a link is written through; a folder, a pipe or a device is never replaced.
// Fails with "Cannot create file %s: <reason in plain words>", and leaves no temporary file.
void WriteFileReplacing(const std::string& fileName, std::span<const std::uint8_t> bytes);

// Removes the temporary files of WriteFileReplacing in folder whose writer has ended without
// renaming them (a crash, a kill); those of a writer still running are left alone. Returns how
// many were removed. Errors are ignored: a file that stays is only a file too many.
int RemoveLeftTemporaries(const std::filesystem::path& folder);

// A path as UTF-8 text on every platform (on POSIX, its bytes as they are).
std::string PathText(const std::filesystem::path& path);

}  // namespace morvane::preset
