#include "preset_listing.h"

#include <algorithm>
#include <system_error>

#include "bank_file.h"
#include "dump_frame.h"
#include "dump_layout.h"
#include "file_reason.h"
#include "preset_errors.h"
#include "preset_file.h"

namespace morvane::preset {

namespace {

namespace fs = std::filesystem;

constexpr char kCategoryMark = ':';
constexpr std::size_t kMostCategoryChars = 3;
constexpr char kUnprintable = '?';
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr std::string_view kPresetExtension = ".syx";

ListedPreset ListedFromDump(std::span<const std::uint8_t> dump, int bankPosition) {
  std::string stored(kNameSize, ' ');
  for (std::size_t i = 0; i < kNameSize; ++i) {
    stored[i] = static_cast<char>(dump[DumpOffsetOfPayloadByte(i)]);
  }
  ListedPreset listed;
  listed.name = ShownPresetName(stored);
  listed.category = CategoryOf(listed.name);
  listed.bankPosition = bankPosition;
  return listed;
}

std::string FolderOpenError(const fs::path& folder) {
  return "Cannot open folder " + PathText(folder);
}

bool IsListedSize(std::uintmax_t size) {
  return size == kDumpSize || size == kBankSize;
}

// Why a file of a size that holds neither a preset nor a bank was not read.
std::string SizeReason(std::uintmax_t size) {
  if (size == 0) {
    return "it is empty";
  }
  return "it holds " + std::to_string(size) + " bytes, a preset " + std::to_string(kDumpSize) +
         " and a bank " + std::to_string(kBankSize);
}

// Why bytes hold no preset, in words that follow the file's name: for a bank's size, the first
// of its dumps that is not framed.
std::string NotPresetReason(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kBankSize) {
    return PresetFileFault(bytes);
  }
  for (std::size_t index = 0; index < kBankPresetCount; ++index) {
    const std::string fault = PresetFileFault(bytes.subspan(index * kDumpSize, kDumpSize));
    if (!fault.empty()) {
      return "preset " + std::to_string(index + 1) + " of its bank is not framed: " + fault;
    }
  }
  return {};
}

// False once take or stopped asked to stop.
bool ListFolder(const fs::path& root, const fs::path& folder, FolderFiles& found,
                const FileFound& take, const WalkStopped& stopped) {
  found.folders.push_back(folder);
  std::error_code walkError;
  fs::directory_iterator entries(folder, walkError);
  for (; !walkError && entries != fs::directory_iterator(); entries.increment(walkError)) {
    // Asked at every entry, not only at presets: a tree of folders without one ends as soon.
    if (stopped && stopped()) {
      return false;
    }
    const fs::directory_entry& entry = *entries;
    std::error_code error;
    const fs::path& path = entry.path();
    if (PathText(path.filename()).starts_with('.')) {
      continue;
    }
    // A link to a folder is not followed: it could lead back into this one.
    const bool isFolder = entry.is_directory(error) && !entry.is_symlink(error);
    error.clear();
    if (isFolder) {
      if (!ListFolder(root, path, found, take, stopped)) {
        return false;
      }
      continue;
    }
    if (!IsPresetFileName(path)) {
      continue;
    }
    FolderFile file;
    file.path = path;
    file.shownPath = PathText(path.lexically_relative(root));
    std::replace(file.shownPath.begin(), file.shownPath.end(), '\\', '/');
    const fs::file_status status = entry.status(error);
    if (!error && !fs::is_regular_file(status)) {
      found.errors.push_back(
          FileOpenError(PathText(path), FileKindReason(KindOfType(status.type()))).what());
      continue;
    }
    if (!error) {
      file.size = entry.file_size(error);
    }
    if (!error) {
      file.modified = entry.last_write_time(error);
    }
    if (error) {
      found.errors.push_back(FileOpenError(PathText(path), ErrorCodeReason(error, path)).what());
      continue;
    }
    if (!take(file)) {
      return false;
    }
  }
  if (walkError) {
    found.errors.push_back(FolderOpenError(folder));
  }
  return true;
}

}  // namespace

PresetFileListing ListPresetBytes(std::span<const std::uint8_t> bytes) {
  PresetFileListing listing;
  if (IsFramedDump(bytes)) {
    listing.kind = PresetFileKind::Preset;
    listing.presets.push_back(ListedFromDump(bytes, kNotInBank));
  } else if (IsBankOfPresets(bytes)) {
    listing.kind = PresetFileKind::Bank;
    for (std::size_t index = 0; index < kBankPresetCount; ++index) {
      listing.presets.push_back(
          ListedFromDump(bytes.subspan(index * kDumpSize, kDumpSize), static_cast<int>(index) + 1));
    }
  } else {
    listing.notPresetReason = NotPresetReason(bytes);
  }
  return listing;
}

PresetFileListing ListPresetFile(const fs::path& file, std::uintmax_t size) {
  if (!IsListedSize(size)) {
    PresetFileListing notListed;
    notListed.notPresetReason = SizeReason(size);
    return notListed;
  }
  return ListPresetBytes(ReadWholeFile(file, PathText(file), kPresetFileLimit));
}

std::string ShownPresetName(std::string_view storedName) {
  std::string name(storedName);
  for (char& c : name) {
    if (c < kFirstPrintable || c > kLastPrintable) {
      c = kUnprintable;
    }
  }
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

std::string CategoryOf(std::string_view shownName) {
  const std::size_t mark = shownName.find(kCategoryMark);
  if (mark == std::string_view::npos) {
    return {};
  }
  const std::size_t first = mark > kMostCategoryChars ? mark - kMostCategoryChars : 0;
  std::string category(shownName.substr(first, mark - first));
  category.erase(0, category.find_first_not_of(' '));
  category.erase(category.find_last_not_of(' ') + 1);
  return category;
}

bool IsPresetFileName(const fs::path& file) {
  const std::string name = PathText(file.filename());
  return !name.starts_with('.') && name.size() > kPresetExtension.size() &&
         LowerAscii(std::string_view(name).substr(name.size() - kPresetExtension.size())) ==
             kPresetExtension;
}

FolderFiles WalkPresetFiles(const fs::path& folder, const FileFound& take,
                            const WalkStopped& stopped) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    throw PresetError(FolderOpenError(folder));
  }
  FolderFiles found;
  ListFolder(folder, folder, found, take, stopped);
  return found;
}

FolderFiles PresetFilesUnder(const fs::path& folder) {
  std::vector<FolderFile> files;
  FolderFiles found = WalkPresetFiles(folder, [&files](FolderFile& file) {
    files.push_back(std::move(file));
    return true;
  });
  found.files = std::move(files);
  std::ranges::sort(found.files, {}, &FolderFile::shownPath);
  return found;
}

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lowered;
}

bool MatchesSearch(const ListedPreset& preset, std::string_view shownPath,
                   std::string_view loweredText) {
  const std::string fields =
      LowerAscii(preset.name) + '\n' + LowerAscii(preset.category) + '\n' + LowerAscii(shownPath);
  std::size_t start = 0;
  while (start < loweredText.size()) {
    const std::size_t end = std::min(loweredText.find(' ', start), loweredText.size());
    const std::string_view word = loweredText.substr(start, end - start);
    if (!word.empty() && fields.find(word) == std::string::npos) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace morvane::preset
