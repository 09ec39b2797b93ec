#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "preset/bank_file.h"
#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "preset/preset_listing.h"

namespace morvane::preset {
namespace {

namespace fs = std::filesystem;

Bytes Named(const std::string& name) {
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  image.WriteName(name);
  return image.BuildDump();
}

Bytes BankOf(const std::string& prefix) {
  Bank images;
  for (std::size_t index = 0; index < images.size(); ++index) {
    images[index].LoadPresetFromBytes(Named(prefix + std::to_string(index + 1)));
  }
  return BuildBank(images);
}

TEST(PresetListing, PresetsAndBanksAreListedAndAnythingElseIsNot) {
  Bytes damagedBank = BankOf("Bnk:");
  damagedBank[kDumpSize * 9 + 100] = 0x80;
  Bytes unframed = Named("Pad:Warm");
  unframed[kFirstPacketOffset] = 0x00;
  Bytes controlName = Named("Ab");
  controlName[DumpOffsetOfPayloadByte(0)] = 0x01;
  controlName[DumpOffsetOfPayloadByte(1)] = 0x7F;
  Bytes cut = Named("Pad:Warm");
  cut.resize(kMinUnpackSize);
  // The last byte of the sixteenth dump, and so of the file.
  Bytes lastUnframed = BankOf("Bnk:");
  lastUnframed.back() = 0x00;
  Bytes firstUnframed = BankOf("Bnk:");
  firstUnframed.front() = 0x00;
  const struct {
    const char* what;
    Bytes bytes;
    PresetFileKind kind;
    std::vector<std::string> names;
    std::string reason;
  } cases[] = {
      {"a preset", Named("Pad:Warm Pad"), PresetFileKind::Preset, {"Pad:Warm Pad"}, ""},
      {"a bank", BankOf("Bnk:"), PresetFileKind::Bank, {"Bnk:1", "Bnk:2", "Bnk:16"}, ""},
      {"a bank with a damaged preset",
       damagedBank,
       PresetFileKind::NotPreset,
       {},
       "preset 10 of its bank is not framed: its packet 1 is damaged"},
      {"a bank whose last dump ends badly",
       lastUnframed,
       PresetFileKind::NotPreset,
       {},
       "preset 16 of its bank is not framed: its packet 7 is damaged"},
      {"a bank whose first dump starts badly",
       firstUnframed,
       PresetFileKind::NotPreset,
       {},
       "preset 1 of its bank is not framed: it does not start with a SysEx header"},
      {"a dump without its framing",
       unframed,
       PresetFileKind::NotPreset,
       {},
       "its packet 1 is damaged"},
      {"a dump cut short, which Load would take",
       cut,
       PresetFileKind::NotPreset,
       {},
       "it ends after 1603 of 1605 bytes"},
      {"nothing", {}, PresetFileKind::NotPreset, {}, "it is empty"},
      // The fourth character is never written: the initial preset's ':' stays.
      {"a name of unprintable bytes", controlName, PresetFileKind::Preset, {"?? :"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PresetFileListing listing = ListPresetBytes(c.bytes);
    EXPECT_EQ(listing.kind, c.kind);
    EXPECT_EQ(listing.notPresetReason, c.reason);
    if (c.kind == PresetFileKind::Bank) {
      ASSERT_EQ(listing.presets.size(), 16u);
      EXPECT_EQ(listing.presets[0].name, c.names[0]);
      EXPECT_EQ(listing.presets[1].name, c.names[1]);
      EXPECT_EQ(listing.presets[15].name, c.names[2]);
      EXPECT_EQ(listing.presets[15].bankPosition, 16);
      EXPECT_EQ(listing.presets[0].bankPosition, 1);
    } else {
      ASSERT_EQ(listing.presets.size(), c.names.size());
      if (!c.names.empty()) {
        EXPECT_EQ(listing.presets[0].name, c.names[0]);
        EXPECT_EQ(listing.presets[0].bankPosition, kNotInBank);
      }
    }
  }
}

TEST(PresetListing, CategoryIsUpToThreeCharactersBeforeTheColon) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pad:Warm Pad", "Pad"}, {"Bas:", "Bas"}, {"Lead:Saw", "ead"}, {"A:b", "A"},
      {" Pa:x", "Pa"},         {":x", ""},      {"No colon", ""},    {"Pad:a:b", "Pad"},
  };
  for (const auto& [name, category] : cases) {
    EXPECT_EQ(CategoryOf(name), category) << name;
  }
}

TEST(PresetListing, SearchWantsEveryWordInNameCategoryOrFileInAnyCase) {
  const ListedPreset warm{"Pad:Warm Pad", "Pad", kNotInBank};
  const std::pair<const char*, bool> cases[] = {
      {"", true},     {"warm", true},  {"WARM", true},         {"pad:", true},       {"sub/", true},
      {"pads", true}, {"bass", false}, {"  pad  warm ", true}, {"warm bass", false},
  };
  for (const auto& [text, matches] : cases) {
    EXPECT_EQ(MatchesSearch(warm, "Sub/Pads.syx", LowerAscii(text)), matches) << text;
  }
}

TEST(PresetListing, FolderFilesTakeSubFoldersAndPresetNamesOnly) {
  const fs::path root =
      fs::temp_directory_path() / ("morvane-listing-" + std::to_string(std::random_device{}()));
  fs::remove_all(root);
  fs::create_directories(root / "sub" / "deeper");
  fs::create_directories(root / ".hidden");
  for (const char* name : {"a.syx", "sub/B.SYX", "sub/deeper/c.syx", "notes.txt", ".d.syx",
                           ".hidden/e.syx", "f.syx.part"}) {
    std::ofstream(root / name) << "x";
  }
#ifndef _WIN32
  // A link back up is not followed, or the folder would be listed forever.
  fs::create_directory_symlink(root, root / "sub" / "loop");
  fs::create_symlink(root / "gone.syx", root / "broken.syx");
#endif

  const FolderFiles found = PresetFilesUnder(root);
  std::vector<std::string> shown;
  for (const FolderFile& file : found.files) {
    shown.push_back(file.shownPath);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"a.syx", "sub/B.SYX", "sub/deeper/c.syx"}));
  EXPECT_EQ(found.files[0].size, 1u);
#ifndef _WIN32
  ASSERT_EQ(found.errors.size(), 1u);
  EXPECT_EQ(found.errors[0],
            "Cannot open file " + PathText(root / "broken.syx") + ": it does not exist");
#endif
  EXPECT_EQ(found.folders.size(), 3u);
  EXPECT_THROW(PresetFilesUnder(root / "missing"), PresetError);
  fs::remove_all(root);
}

// A walk asked to stop ends at the next entry of whatever folder it is in, also deep in a tree
// of folders that holds no preset at all.
TEST(PresetListing, AWalkStopsAtAnyDepthWithoutMeetingAPreset) {
  const fs::path root =
      fs::temp_directory_path() / ("morvane-stop-" + std::to_string(std::random_device{}()));
  constexpr int kDepth = 12;
  fs::path deepest = root;
  for (int level = 0; level < kDepth; ++level) {
    deepest /= "level";
  }
  fs::create_directories(deepest);
  std::ofstream(deepest / "found.syx") << "x";
  const struct {
    int asksBeforeStop;
    std::size_t folders;
    std::size_t files;
  } rows[] = {
      {0, 1, 0}, {1, 2, 0}, {5, 6, 0}, {kDepth, kDepth + 1, 0}, {kDepth + 1, kDepth + 1, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.asksBeforeStop);
    int asks = 0;
    std::size_t files = 0;
    const FolderFiles found = WalkPresetFiles(
        root,
        [&](FolderFile&) {
          ++files;
          return true;
        },
        [&] { return ++asks > row.asksBeforeStop; });
    EXPECT_EQ(found.folders.size(), row.folders);
    EXPECT_EQ(files, row.files);
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace morvane::preset
