#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "file_io.h"

namespace morvane::preset {

// What a preset file holds, as a list of presets shows it: one framed dump, a bank of sixteen,
// or anything else, which is not a preset and is never loaded.
enum class PresetFileKind { Preset, Bank, NotPreset };

inline constexpr int kNotInBank = 0;

struct ListedPreset {
  // The stored name without its trailing spaces; bytes that are no printable character show
  // as '?'.
  std::string name;
  // The up to three characters before the name's ':' ("Pad" of "Pad:Warm"); empty without one.
  std::string category;
  // 1..16 for a preset of a bank, kNotInBank for a file of one preset.
  int bankPosition = kNotInBank;
};

struct PresetFileListing {
  PresetFileKind kind = PresetFileKind::NotPreset;
  std::vector<ListedPreset> presets;
  // Why a file is not a preset, in words that follow its name; empty for a preset or a bank.
  std::string notPresetReason;
};

// The presets of a file's bytes: a framed dump is one preset, a bank whose sixteen dumps are
// all framed is sixteen; anything else is not a preset.
PresetFileListing ListPresetBytes(std::span<const std::uint8_t> bytes);
// Only files of a preset's or a bank's size are read. Throws FileOpenError when the file
// cannot be read.
PresetFileListing ListPresetFile(const std::filesystem::path& file, std::uintmax_t size);

std::string ShownPresetName(std::string_view storedName);
std::string CategoryOf(std::string_view shownName);

// A .syx file (in any letter case) whose name does not begin with '.'.
bool IsPresetFileName(const std::filesystem::path& file);

struct FolderFile {
  std::filesystem::path path;
  // Relative to the folder listed, with '/' between folders: how the file is shown.
  std::string shownPath;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
};

struct FolderFiles {
  // Sorted by shown path.
  std::vector<FolderFile> files;
  // The folder and every sub-folder listed.
  std::vector<std::filesystem::path> folders;
  // A text for each file or sub-folder that could not be read.
  std::vector<std::string> errors;
};

// Every preset file under folder, its sub-folders included; links to folders are not followed,
// so that no folder is listed twice. Throws "Cannot open folder %s" when folder itself is none.
FolderFiles PresetFilesUnder(const std::filesystem::path& folder);

// The same walk, handing each file to take as it is met, in no particular order, so that the
// first files can be read before the last folder is listed; take returns false to end the
// walk, as does stopped, asked before each entry of every folder. The files are not kept: the
// result holds the folders and the errors only.
using FileFound = std::function<bool(FolderFile& file)>;
using WalkStopped = std::function<bool()>;
FolderFiles WalkPresetFiles(const std::filesystem::path& folder, const FileFound& take,
                            const WalkStopped& stopped = {});

// True when every word of text (words are parted by spaces) occurs, in any letter case, in the
// preset's name, category or the file's shown path. text is compared as given: lower-case it
// once with LowerAscii.
bool MatchesSearch(const ListedPreset& preset, std::string_view shownPath,
                   std::string_view loweredText);
std::string LowerAscii(std::string_view text);

}  // namespace morvane::preset
