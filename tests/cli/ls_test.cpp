#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "preset/bank_file.h"
#include "preset/initial_preset.h"
#include "run_process.h"

namespace morvane::cli::testing {
namespace {

namespace fs = std::filesystem;

preset::tMrv Named(const std::string& name) {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  image.WriteName(name);
  return image;
}

class ToolLs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(MORVANE_TEST_DIR) /
           (std::string("morvane-ls-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sub");
    Write("warm.syx", Named("Pad:Warm Pad").BuildDump());
    Write("copy of warm.syx", Named("Pad:Warm Pad").BuildDump());
    preset::Bank bank;
    for (std::size_t index = 0; index < bank.size(); ++index) {
      bank[index] = Named("Bas:Deep " + std::to_string(index + 1));
    }
    Write("sub/bank.syx", preset::BuildBank(bank));
    Write("junk.syx", preset::Bytes(100, 0x55));
    preset::Bytes unframed = Named("Pad:Unframed").BuildDump();
    unframed.back() = 0x00;
    Write("sub/unframed.syx", unframed);
    Write("notes.txt", preset::Bytes(10, 0x41));
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const preset::Bytes& bytes) const {
    std::ofstream((dir_ / name).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
};

TEST_F(ToolLs, ListsEveryPresetOfTheFolderAndCountsWhatIsNot) {
#ifndef _WIN32
  fs::create_symlink(dir_ / "gone.syx", dir_ / "broken.syx");
#endif
  const ProcessResult r = RunTool({"ls", dir_.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string expected =
      "Pad\tPad:Warm Pad\tcopy of warm.syx\t-\n"
      "Bas\tBas:Deep 1\tsub/bank.syx\t1\n"
      "Bas\tBas:Deep 2\tsub/bank.syx\t2\n";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_NE(r.out.find("Bas\tBas:Deep 16\tsub/bank.syx\t16\nPad\tPad:Warm Pad\twarm.syx\t-\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 18);
  std::string errors = "2 files are not presets\n";
#ifndef _WIN32
  errors = "Cannot open file " + (dir_ / "broken.syx").string() + ": it does not exist\n" + errors;
#endif
  EXPECT_EQ(r.err, errors);
}

TEST_F(ToolLs, SearchKeepsThePresetsWhoseNameCategoryOrFileHoldsTheText) {
  const std::pair<const char*, int> cases[] = {{"WARM", 2},  {"bas", 16}, {"deep 1", 8},
                                               {"SUB/", 16}, {"copy", 1}, {"nothing", 0}};
  for (const auto& [text, lines] : cases) {
    const ProcessResult r = RunTool({"ls", dir_.string(), "--search", text});
    ASSERT_EQ(r.exitCode, 0) << text;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), lines) << text << "\n" << r.out;
  }
  const ProcessResult missing = RunTool({"ls", (dir_ / "missing").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "Cannot open folder " + (dir_ / "missing").string() + "\n");
}

}  // namespace
}  // namespace morvane::cli::testing
