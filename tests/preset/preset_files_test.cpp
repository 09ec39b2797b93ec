#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "preset/tmrv.h"
#include "test_dumps.h"

namespace morvane::preset {
namespace {

namespace fs = std::filesystem;

class PresetFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("morvane-preset-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
};

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST_F(PresetFiles, SaveWritesTheDumpWithoutTheChecksumStep) {
  const Bytes dump = testing::TracingDump();
  WriteFile(PathOf("in.syx"), dump);
  tMrv image;
  image.LoadPreset(PathOf("in.syx"));
  image.SavePreset(PathOf("out.syx"));
  EXPECT_EQ(ReadWholeFile(PathOf("out.syx")), dump);

  // Once a dump was built, the saved file carries its 0x7F checksums.
  const Bytes built = image.BuildDump();
  image.SavePreset(PathOf("out.syx"));
  EXPECT_EQ(ReadWholeFile(PathOf("out.syx")), built);
}

TEST_F(PresetFiles, MissingFileNamesTheFileAndLeavesTheImage) {
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  const std::string missing = PathOf("missing.syx");
  try {
    image.LoadPreset(missing);
    FAIL() << "no error";
  } catch (const FileOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing + ": it does not exist");
  }
  EXPECT_EQ(image.ReadName(), "Ini:New Preset  ");
}

TEST_F(PresetFiles, FailedSaveNamesTheFileAndLeavesNothingBehind) {
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  const std::string inMissingDir = PathOf("no/such/dir.syx");
  try {
    image.SavePreset(inMissingDir);
    FAIL() << "no error";
  } catch (const FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + inMissingDir + ": the folder " +
                                         PathOf("no/such") + " does not exist");
  }
  fs::create_directory(PathOf("taken"));
  try {
    image.SavePreset(PathOf("taken"));
    FAIL() << "no error";
  } catch (const FileCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + PathOf("taken") + ": it is a folder");
  }
  EXPECT_TRUE(fs::is_directory(PathOf("taken")));
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(PresetFiles, SaveOfAShortDumpKeepsTheOldFileWhole) {
  const Bytes old = BuildInitialPreset();
  WriteFile(PathOf("target.syx"), old);
  Bytes shortDump = testing::TracingDump();
  shortDump.resize(1604);
  tMrv image;
  image.LoadPresetFromBytes(shortDump);
  EXPECT_THROW(image.SavePreset(PathOf("target.syx")), StreamReadError);
  EXPECT_EQ(ReadWholeFile(PathOf("target.syx")), old);
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(PresetFiles, SaveReplacesAnExistingFileCompletely) {
  WriteFile(PathOf("target.syx"), Bytes(5000, 0x55));
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  image.SavePreset(PathOf("target.syx"));
  EXPECT_EQ(ReadWholeFile(PathOf("target.syx")), BuildInitialPreset());
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(PresetFiles, SaveKeepsTheTargetsPermissionsAndWritesThroughALink) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits and symbolic links: mingw's std::filesystem makes no "
                  "links, and Windows files carry no such bits";
#endif
  WriteFile(PathOf("target.syx"), Bytes(5000, 0x55));
  const fs::perms restricted = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(PathOf("target.syx"), restricted);
  fs::create_symlink("target.syx", PathOf("link.syx"));
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  image.SavePreset(PathOf("link.syx"));
  EXPECT_TRUE(fs::is_symlink(PathOf("link.syx")));
  EXPECT_EQ(ReadWholeFile(PathOf("target.syx")), BuildInitialPreset());
  EXPECT_EQ(fs::status(PathOf("target.syx")).permissions(), restricted);
  EXPECT_EQ(EntriesInDir(), 2u);
}

#ifdef __linux__
std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// A reader or a writer that left its file open would run out of descriptors in a long session.
TEST_F(PresetFiles, NoReadOrWriteLeavesAFileOpen) {
  WriteFile(PathOf("a.syx"), BuildInitialPreset());
  fs::create_directory(PathOf("folder"));
  const std::size_t before = OpenDescriptors();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(ReadWholeFile(PathOf("a.syx")), BuildInitialPreset());
    EXPECT_THROW(ReadWholeFile(PathOf("a.syx"), FileSizeLimit{100, "a test"}), FileOpenError);
    EXPECT_THROW(ReadWholeFile(PathOf("folder")), FileOpenError);
    WriteFileReplacing(PathOf("a.syx"), BuildInitialPreset());
    EXPECT_THROW(WriteFileReplacing(PathOf("gone/a.syx"), BuildInitialPreset()), FileCreateError);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}
#endif

// A process id that names no running process.
unsigned long EndedProcess() {
#ifdef _WIN32
  // Windows numbers processes in fours: this one cannot be.
  return 4294967293UL;
#else
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  return static_cast<unsigned long>(child);
#endif
}

unsigned long ThisProcess() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(::getpid());
#endif
}

TEST_F(PresetFiles, OnlyTheTemporaryFilesOfEndedWritersAreRemoved) {
  const std::string ended = std::to_string(EndedProcess());
  const std::string own = std::to_string(ThisProcess());
  const std::vector<std::string> removed{"a.syx.tmp-" + ended + "-0",
                                         "channels.session.tmp-" + ended + "-12"};
  std::vector<std::string> kept{"a.syx.tmp-" + own + "-0",
                                "a.syx.tmp-" + ended + "-x",
                                "a.syx.tmp-" + ended,
                                ".tmp-" + ended + "-0",
                                "a.syx.tmp-" + ended + "-0.syx",
                                "a.syx.tmp--0",
                                "a.syx.tmp-" + ended + "x-0",
                                "notes.txt"};
#ifndef _WIN32
  const pid_t running = ::fork();
  if (running == 0) {
    ::pause();
    ::_exit(0);
  }
  kept.push_back("b.syx.tmp-" + std::to_string(running) + "-3");
#endif
  for (const std::string& name : removed) {
    WriteFile(PathOf(name), {1});
  }
  for (const std::string& name : kept) {
    WriteFile(PathOf(name), {1});
  }
  fs::create_directory(PathOf("folder.tmp-" + ended + "-1"));
  EXPECT_EQ(RemoveLeftTemporaries(dir_), 2);
#ifndef _WIN32
  ::kill(running, SIGKILL);
  ::waitpid(running, nullptr, 0);
#endif
  for (const std::string& name : removed) {
    EXPECT_FALSE(fs::exists(PathOf(name))) << name;
  }
  for (const std::string& name : kept) {
    EXPECT_TRUE(fs::exists(PathOf(name))) << name;
  }
  EXPECT_TRUE(fs::is_directory(PathOf("folder.tmp-" + ended + "-1")));
}

}  // namespace
}  // namespace morvane::preset
