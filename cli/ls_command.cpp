#include <exception>
#include <memory>
#include <ostream>
#include <string>

#include "commands.h"
#include "preset/preset_listing.h"

namespace morvane::cli {

namespace {

constexpr char kSeparator = '\t';
constexpr const char* kNone = "-";

struct LsOptions {
  std::string folder;
  std::string search;
};

std::string OrNone(const std::string& text) {
  return text.empty() ? kNone : text;
}

std::string NotPresetsLine(int count) {
  return count == 1 ? "1 file is not a preset" : std::to_string(count) + " files are not presets";
}

void List(const LsOptions& options, std::ostream& out, std::ostream& err) {
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

}  // namespace

void AddLsCommand(CLI::App& app, std::ostream& out, std::ostream& err) {
  auto options = std::make_shared<LsOptions>();
  CLI::App* ls = app.add_subcommand(
      "ls",
      "List the presets of the .syx files under DIR and its sub-folders, one a line: category, "
      "name, file and position in a bank (1-16), separated by tabs; - where there is none. "
      "Files that cannot be read are named on standard error");
  ls->add_option("DIR", options->folder, "A folder of .syx files")->required();
  ls->add_option(
        "--search", options->search,
        "Only presets whose name, category or file holds every word of TEXT, in any letter case")
      ->type_name("TEXT");
  ls->callback([options, &out, &err] { List(*options, out, err); });
}

}  // namespace morvane::cli
