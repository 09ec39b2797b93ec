#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "preset/bank_file.h"
#include "preset/byte_stream.h"
#include "preset/initial_preset.h"
#include "run_process.h"

namespace morvane::cli::testing {
namespace {

namespace fs = std::filesystem;

// P01 .. P16: three characters, all kept by WriteName.
std::string ShortName(int channel) {
  return (channel < 10 ? "P0" : "P") + std::to_string(channel);
}

class ToolBank : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(MORVANE_TEST_DIR) /
           (std::string("morvane-bank-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "out");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  // Sixteen preset files named after their place, each carrying preset number 7.
  std::vector<std::string> WritePresets() const {
    std::vector<std::string> paths;
    for (int channel = 1; channel <= preset::kBankPresetCount; ++channel) {
      preset::tMrv image;
      image.LoadPresetFromBytes(preset::BuildInitialPreset());
      image.WriteName(ShortName(channel));
      image.SetPresetNumber(7);
      paths.push_back(PathOf("in-" + std::to_string(channel) + ".syx"));
      image.SavePreset(paths.back());
    }
    return paths;
  }
  std::size_t EntriesIn(const std::string& name) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_ / name), {}));
  }

  fs::path dir_;
};

TEST_F(ToolBank, JoinThenSplitGivesTheNumberedPresets) {
  std::vector<std::string> arguments{"bank", "join"};
  const std::vector<std::string> presets = WritePresets();
  arguments.insert(arguments.end(), presets.begin(), presets.end());
  arguments.insert(arguments.end(), {"-o", PathOf("bank.syx")});
  ProcessResult r = RunTool(arguments);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const preset::Bytes bank = preset::ReadWholeFile(PathOf("bank.syx"));
  ASSERT_EQ(bank.size(), preset::kBankSize);

  r = RunTool({"bank", "split", PathOf("bank.syx"), PathOf("out")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(EntriesIn("out"), 16u);
  for (int channel = 1; channel <= preset::kBankPresetCount; ++channel) {
    char name[] = "out/preset-00.syx";
    std::snprintf(name, sizeof name, "out/preset-%02d.syx", channel);
    const preset::Bytes file = preset::ReadWholeFile(PathOf(name));
    const auto slice = std::span(bank).subspan(
        static_cast<std::size_t>(channel - 1) * preset::kDumpSize, preset::kDumpSize);
    EXPECT_TRUE(std::ranges::equal(file, slice)) << name;
    EXPECT_EQ(file[preset::kPresetNumberOffset], channel - 1);
    preset::tMrv image;
    image.LoadPresetFromBytes(file);
    EXPECT_EQ(image.ReadName().substr(0, 3), ShortName(channel));
  }
}

TEST_F(ToolBank, RefusalsWriteNothing) {
  preset::Bytes bank(preset::kBankSize - 5, 0);
  preset::WriteFileReplacing(PathOf("short.syx"), bank);
  std::vector<std::string> presets = WritePresets();
  preset::Bytes cut = preset::BuildInitialPreset();
  cut.resize(1200);
  preset::WriteFileReplacing(presets[4], cut);
  std::vector<std::string> join{"bank", "join"};
  join.insert(join.end(), presets.begin(), presets.end());
  join.insert(join.end(), {"-o", PathOf("out/bank.syx")});
  std::vector<std::string> fifteen(join.begin(), join.end());
  fifteen.erase(fifteen.begin() + 2);

  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  for (const Case& c : {
           Case{{"bank", "split", PathOf("short.syx"), PathOf("out")},
                "Not a bank of 16 presets: " + PathOf("short.syx") +
                    " holds 25675 bytes, a bank 25680\n"},
           Case{join, presets[4] + " is not a Morvane preset: it ends after 1200 of 1605 bytes\n"},
           Case{fifteen, "A bank takes 16 preset files, not 15\n"},
       }) {
    const ProcessResult r = RunTool(c.arguments);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, c.error);
    EXPECT_EQ(EntriesIn("out"), 0u);
  }
}

}  // namespace
}  // namespace morvane::cli::testing
