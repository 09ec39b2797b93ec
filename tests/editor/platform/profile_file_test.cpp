#include "editor/platform/profile_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace morvane::editor {
namespace {

constexpr std::string_view kText =
    "ignored=before any section\r\n"
    "[Name]\r\n"
    "  7 =  Filter Cutoff  \r\n"
    "7=second value loses\n"
    "quoted=\"  kept blanks  \"\n"
    "single='x'\n"
    "unmatched=\"half\n"
    "no equals sign here\n"
    "empty=\n"
    "emptyDouble=\"\"\n"
    "emptySingle=''\n"
    "[lsb]\r"
    "7=$02\r"
    "[ NAME ]\n"
    "8=from a repeated section\n";

TEST(ProfileFile, ReadsWithTheSystemsRules) {
  const TProfileFile profile{kText};
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"name", "7", "Filter Cutoff"},
      {"NAME", " 7 ", "Filter Cutoff"},
      {"name", "quoted", "  kept blanks  "},
      {"name", "single", "x"},
      {"name", "unmatched", "\"half"},
      {"name", "empty", ""},
      {"name", "emptyDouble", ""},
      {"name", "emptySingle", ""},
      {"name", "no equals sign here", std::nullopt},
      {"name", "ignored", std::nullopt},
      {"lsb", "7", "$02"},
      {"name", "8", "from a repeated section"},
      {"msb", "7", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(profile.Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_EQ(profile.ReadString("min", "7", "0"), "0");
}

TEST(ProfileFile, CutsLongValuesAndReadsAMissingFileAsEmpty) {
  const std::string longValue(3000, 'v');
  const TProfileFile profile{"[s]\nk=" + longValue + "\n"};
  EXPECT_EQ(profile.Read("s", "k"), longValue.substr(0, TProfileFile::kMaxValueLength));

  const TProfileFile missing = TProfileFile::Load("/nonexistent/parms.txt");
  EXPECT_EQ(missing.Read("name", "0"), std::nullopt);
}

}  // namespace
}  // namespace morvane::editor
