#include <exception>
#include <ostream>
#include <string>

#include "commands.h"
#include "preset/preset_listing.h"

namespace morvane::cli {

namespace {

constexpr char kSeparator = '\t';
constexpr const char* kNone = "-";

std::string OrNone(const std::string& text) {
  return text.empty() ? kNone : text;
}

std::string NotPresetsLine(int count) {
  return count == 1 ? "1 file is not a preset" : std::to_string(count) + " files are not presets";
}

}  // namespace

void RunLs(const LsOptions& options, std::ostream& out, std::ostream& err) {
  const preset::FolderFiles found = preset::PresetFilesUnder(options.folder);
  for (const std::string& error : found.errors) {
    err << error << "\n";
  }
  const std::string search = preset::LowerAscii(options.search);
  int notPresets = 0;
  for (const preset::FolderFile& file : found.files) {
    preset::PresetFileListing listing;
    try {
      listing = preset::ListPresetFile(file.path, file.size);
    } catch (const std::exception& error) {
      err << error.what() << "\n";
      continue;
    }
    if (listing.kind == preset::PresetFileKind::NotPreset) {
      ++notPresets;
      continue;
    }
    for (const preset::ListedPreset& listed : listing.presets) {
      if (!preset::MatchesSearch(listed, file.shownPath, search)) {
        continue;
      }
      out << OrNone(listed.category) << kSeparator << listed.name << kSeparator << file.shownPath
          << kSeparator
          << (listed.bankPosition == preset::kNotInBank ? kNone
                                                        : std::to_string(listed.bankPosition))
          << "\n";
    }
  }
  if (notPresets > 0) {
    err << NotPresetsLine(notPresets) << "\n";
  }
}

}  // namespace morvane::cli
