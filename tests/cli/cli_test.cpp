#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "run_process.h"

namespace morvane::cli::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

class ToolFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    // Under the build folder, whose absolute path starts with "/" on Linux and under
    // Wine: every file argument below is one a Windows-style option parser misreads.
    dir_ = fs::path(MORVANE_TEST_DIR) /
           (std::string("morvane-cli-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Write("init.syx", preset::BuildInitialPreset());
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const preset::Bytes& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  preset::Bytes Read(const std::string& name) const { return preset::ReadWholeFile(PathOf(name)); }

  fs::path dir_;
};

TEST(ToolMessages, EditPrintsTheThreeStringsOfSendParameter) {
  ProcessResult r =
      RunTool({"msg", "edit", "0B:02", "-6", "--layer", "1", "--channel", "3", "--no-bf"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "F0 18 0F 00 55 01 02 01 07 02 00 F7\n"
            "F0 18 0F 00 55 01 02 02 07 00 00 F7\n"
            "F0 18 0F 00 55 01 02 02 0B 7A 7F F7\n");
  r = RunTool({"msg", "edit", "915", "-1"});
  EXPECT_EQ(r.out,
            "F0 18 0F 00 55 01 02 01 07 7F 7F F7\n"
            "F0 18 0F 00 55 01 02 02 07 7F 7F F7\n"
            "F0 18 0F 00 55 01 02 13 07 7F 7F F7\n");
}

TEST(ToolMessages, TransferAndLayerMessages) {
  EXPECT_EQ(RunTool({"msg", "request"}).out, "F0 18 0F 00 55 11 04 7F 7F 00 00 F7\n");
  EXPECT_EQ(RunTool({"msg", "request", "--channel", "4", "--no-bf"}).out,
            "F0 18 0F 00 55 11 04 03 00 00 00 F7\n");
  EXPECT_EQ(RunTool({"msg", "copy", "1", "3"}).out,
            "F0 18 0F 00 55 25 7F 7F 00 00 7F 7F 02 00 00 00 F7\n");
  EXPECT_EQ(RunTool({"msg", "unmute", "2"}).out, "F0 18 0F 00 55 33 01 00 F7\n");
  const auto rename =
      Lines(RunTool({"msg", "rename", "Bcdefghi", "--channel", "2", "--no-bf"}).out);
  ASSERT_EQ(rename.size(), 18u);
  EXPECT_EQ(rename[0], "F0 18 0F 00 55 01 02 01 07 01 00 F7");
  EXPECT_EQ(rename[2], "F0 18 0F 00 55 01 02 03 07 42 00 F7");
  EXPECT_EQ(rename[17], "F0 18 0F 00 55 01 02 12 07 20 00 F7");
}

TEST(ToolMessages, EncodeAndDecodeTakeNegativeNumbersAsValues) {
  EXPECT_EQ(RunTool({"encode", "-129"}).out, "7F 7E\n");
  EXPECT_EQ(RunTool({"encode", "200"}).out, "48 01\n");
  EXPECT_EQ(RunTool({"decode", "7F", "7E"}).out, "-1\n");
  EXPECT_EQ(RunTool({"decode", "00", "64"}).out, "12800\n");
}

TEST(ToolMessages, BadArgumentsFailWithATextAndNoOutput) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"msg", "mute", "5"},
                                               {"msg", "edit", "80:00", "1"},
                                               {"msg", "edit", "16384", "1"},
                                               {"msg", "request", "--channel", "0"},
                                               {"decode", "7G", "00"},
                                               {"frobnicate"},
                                               {}}) {
    const ProcessResult r = RunTool(args);
    EXPECT_EQ(r.exitCode, 1) << args.size();
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_FALSE(r.err.empty());
  }
  const ProcessResult help = RunTool({"msg", "edit", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--no-bf"), std::string::npos);
}

TEST_F(ToolFiles, NewWritesTheCommittedInitialPreset) {
  const preset::Bytes committed =
      preset::ReadWholeFile(std::string(MORVANE_DATA_DIR) + "/init.syx");
  ASSERT_EQ(RunTool({"new", "-o", PathOf("made.syx")}).exitCode, 0);
  EXPECT_EQ(Read("made.syx"), committed);
  const ProcessResult r = RunTool({"new"});
  EXPECT_EQ(preset::Bytes(r.out.begin(), r.out.end()), committed);
}

TEST_F(ToolFiles, InfoGetAndDump) {
  EXPECT_EQ(RunTool({"info", PathOf("init.syx")}).out,
            "name: \"Ini:New Preset  \"\npreset: -1\nbytes: 1605\n");
  EXPECT_EQ(RunTool({"get", PathOf("init.syx"), "0B:01", "--layer", "1"}).out, "1\n");
  EXPECT_EQ(RunTool({"get", PathOf("init.syx"), "1409", "--layer", "2"}).out, "0\n");

  const auto dump = Lines(RunTool({"dump", PathOf("init.syx"), "--preset", "5"}).out);
  ASSERT_EQ(dump.size(), 1u);
  EXPECT_EQ(dump[0].size(), 1605u * 3 - 1);
  EXPECT_EQ(dump[0].substr(0, 27), "F0 18 0F 00 55 10 01 05 00 ");
  EXPECT_EQ(RunTool({"dump", PathOf("init.syx"), "--preset", "-1"}).out.substr(21, 6), "7F 7F ");
}

TEST_F(ToolFiles, SetRenameAndCopyLayerSaveWhereTold) {
  ASSERT_EQ(
      RunTool({"set", PathOf("init.syx"), "0B:02", "-6", "--layer", "2", "-o", PathOf("a.syx")})
          .exitCode,
      0);
  EXPECT_EQ(Read("init.syx"), preset::BuildInitialPreset());
  EXPECT_EQ(RunTool({"get", PathOf("a.syx"), "1410", "--layer", "2"}).out, "-6\n");

  ASSERT_EQ(RunTool({"copy-layer", PathOf("a.syx"), "2", "4"}).exitCode, 0);
  EXPECT_EQ(RunTool({"get", PathOf("a.syx"), "1410", "--layer", "4"}).out, "-6\n");

  // The stored fourth character stays: a different one given is told on standard error.
  const ProcessResult renamed = RunTool({"rename", PathOf("a.syx"), "Strings"});
  ASSERT_EQ(renamed.exitCode, 0);
  EXPECT_EQ(renamed.out, "");
  EXPECT_EQ(renamed.err, "warning: the fourth character stays ':' as stored, not 'i' as given\n");
  EXPECT_EQ(Lines(RunTool({"info", PathOf("a.syx")}).out)[0], "name: \"Str:ngs         \"");
  for (const char* name : {"Str:ings", "Str"}) {
    const ProcessResult quiet = RunTool({"rename", PathOf("a.syx"), name});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "") << name;
  }
}

TEST_F(ToolFiles, DiffListsChangedValuesAndTheName) {
  EXPECT_EQ(RunTool({"diff", PathOf("init.syx"), PathOf("init.syx")}).out, "");
  RunTool({"set", PathOf("init.syx"), "07:13", "5", "-o", PathOf("b.syx")});
  RunTool({"set", PathOf("b.syx"), "0F:48", "-100", "--layer", "4"});
  RunTool({"rename", PathOf("b.syx"), "Other"});
  EXPECT_EQ(RunTool({"diff", PathOf("init.syx"), PathOf("b.syx")}).out,
            "name \"Ini:New Preset  \" -> \"Oth:r           \"\n"
            "common 07:13 0 -> 5\n"
            "layer 4 0F:48 0 -> -100\n");
}

TEST_F(ToolFiles, FailuresWriteNothingAndExplainOnStandardError) {
  preset::Bytes shortDump = preset::BuildInitialPreset();
  shortDump.resize(1602);
  Write("short.syx", shortDump);
  ProcessResult r =
      RunTool({"set", PathOf("short.syx"), "1410", "3", "--layer", "1", "-o", PathOf("out.syx")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            PathOf("short.syx") + " is not a Morvane preset: it ends after 1602 of 1605 bytes\n");
  EXPECT_FALSE(fs::exists(PathOf("out.syx")));

  r = RunTool({"info", PathOf("missing.syx")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Cannot open file " + PathOf("missing.syx") + ": it does not exist\n");
  EXPECT_TRUE(r.out.empty());

  r = RunTool({"set", PathOf("init.syx"), "1410", "3", "--layer", "1", "-o", PathOf("no/dir.syx")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Cannot create file " + PathOf("no/dir.syx") + ": the folder " + PathOf("no") +
                       " does not exist\n");

  r = RunTool({"get", PathOf("init.syx"), "0F:49", "--layer", "4"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Stream read error\n");
}

// What loads as one preset must be framed as one dump: anything else fails whatever the
// command, with the file and what is wrong, before any file is written.
TEST_F(ToolFiles, FilesThatAreNotOnePresetAreRefused) {
  const preset::Bytes dump = preset::BuildInitialPreset();
  preset::Bytes bank;
  for (int copy = 0; copy < 16; ++copy) {
    bank.insert(bank.end(), dump.begin(), dump.end());
  }
  preset::Bytes twoDumps(bank.begin(), bank.begin() + 2 * 1605);
  preset::Bytes damaged = dump;
  damaged[36 + 3 * 255 + 10] = 0x90;
  const std::string text(5936, 'x');
  Write("notes.syx", preset::Bytes(text.begin(), text.end()));
  Write("bank.syx", bank);
  Write("two.syx", twoDumps);
  Write("damaged.syx", damaged);
  Write("cut.syx", preset::Bytes(dump.begin(), dump.end() - 1));
  const struct {
    std::vector<std::string> args;
    std::string file;
    std::string reason;
  } cases[] = {
      {{"info"}, "notes.syx", "it does not start with a SysEx header"},
      {{"info"}, "bank.syx", "it holds a bank of 16 presets"},
      {{"get", "", "0B:01", "--layer", "1"}, "two.syx", "it holds 3210 bytes, a preset 1605"},
      {{"show"}, "damaged.syx", "its packet 4 is damaged"},
      {{"set", "", "1410", "3", "-o", PathOf("out.syx")},
       "cut.syx",
       "it ends after 1604 of 1605 bytes"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    if (args.size() > 1) {
      args[1] = PathOf(c.file);
    } else {
      args.push_back(PathOf(c.file));
    }
    const ProcessResult r = RunTool(args);
    EXPECT_EQ(r.exitCode, 1) << c.file;
    EXPECT_EQ(r.err, PathOf(c.file) + " is not a Morvane preset: " + c.reason + "\n");
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_FALSE(fs::exists(PathOf("out.syx")));
}

TEST(ToolOutput, OutputThatCannotBeWrittenIsAFailure) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /dev/full, which Windows has no counterpart of";
#else
  const std::string toFullDisk = std::string(MORVANE_TOOL) + " new >/dev/full 2>/dev/null";
  const int status = std::system(toFullDisk.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
#endif
}

TEST(ToolShow, PrintsEveryControlOfTheInitialPresetAsTheWindowShowsIt) {
  const ProcessResult r = RunTool({"show", std::string(MORVANE_DATA_DIR) + "/init.syx"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 167u);
  EXPECT_EQ(lines[0], "dragger25 07:13 0 \"A:+0\"");
  EXPECT_EQ(lines[12], "dragger1 0B:02 0 \"vol:+0dB\"");
  EXPECT_EQ(lines[20], "dragger10 0B:17 2 \"bnd:+2\"");
  EXPECT_EQ(lines[95], "dragger72 0F:01 0 \" Off\"");
  EXPECT_EQ(lines[98], "dragger75 0F:04 0 \" Off\"");  // the list copied at start-up
  EXPECT_EQ(lines[166], "dragger143 0F:48 0 \"+0\"");
  EXPECT_NE(r.out.find("\nfiltertype 0C:01 127 \"Off \"\n"), std::string::npos);
  EXPECT_NE(r.out.find("\ndragger33 0E:0E 1 \"time\"\n"), std::string::npos);
}

TEST_F(ToolFiles, ShowFindsCodesAndKeepsRefusedValues) {
  const std::string file = PathOf("init.syx");
  for (const std::vector<std::string>& edit : {
           std::vector<std::string>{"set", file, "1410", "-6", "--layer", "2"},
           {"set", file, "0B:03", "100", "--layer", "2", "--force"},  // pan beyond 63
           {"set", file, "0C:01", "163", "--layer", "2"},             // the last filter code
           {"set", file, "0F:04", "167", "--layer", "2"},             // the last source code, row 2
           {"set", file, "0F:05", "9", "--layer", "2"},               // a code of no destination
           {"set", file, "915", "-1"},
       }) {
    ASSERT_EQ(RunTool(edit).exitCode, 0);
  }
  const std::string shown = std::string("\n").append(RunTool({"show", file, "--layer", "2"}).out);
  for (const std::string line : {
           "dragger25 07:13 -1 \"A:off\"",
           "dragger1 0B:02 -6 \"vol:-6dB\"",
           "dragger2 0B:03 100 -",
           "filtertype 0C:01 163 \"KlangKling 12 SFX\"",
           "dragger75 0F:04 167 \" Gain4X\"",
           "dragger76 0F:05 9 -",
       }) {
    EXPECT_NE(shown.find("\n" + line + "\n"), std::string::npos) << line;
  }
  EXPECT_NE(RunTool({"show", file}).out.find("\ndragger1 0B:02 0 \"vol:+0dB\"\n"),
            std::string::npos);

  for (const char* layer : {"0", "5"}) {
    const ProcessResult r = RunTool({"show", file, "--layer", layer});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("--layer"), std::string::npos) << r.err;
  }
  const ProcessResult missing = RunTool({"show", PathOf("missing.syx")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Cannot open file " + PathOf("missing.syx") + ": it does not exist\n");
}

// diff's status as diff and cmp give it, and PARAM given by name: each row is one run of the
// tool with its exit status and the start of what it prints.
TEST_F(ToolFiles, DiffStatusAndParametersByName) {
  const std::string init = PathOf("init.syx");
  const std::string edited = PathOf("edited.syx");
  ASSERT_EQ(RunTool({"set", init, "vol", "-6", "--layer", "3", "-o", edited}).exitCode, 0);
  ASSERT_EQ(RunTool({"set", edited, "amp env a1 level", "40", "--layer", "2"}).exitCode, 0);
  ASSERT_EQ(RunTool({"set", edited, "B", "7"}).exitCode, 0);
  struct Row {
    std::vector<std::string> arguments;
    int exitCode;
    std::string out;  // the whole of standard output
    std::string err;  // the start of standard error
  };
  const Row rows[] = {
      {{"diff", init, init}, 0, "", ""},
      {{"diff", init, edited},
       1,
       "common 07:14 0 -> 7\nlayer 2 0E:03 100 -> 40\nlayer 3 0B:02 0 -> -6\n",
       ""},
      {{"diff", init, PathOf("missing.syx")}, 1, "", "Cannot open file "},
      {{"get", edited, "vol", "--layer", "3"}, 0, "-6\n", ""},
      {{"get", edited, "VOL", "--layer", "1"}, 0, "0\n", ""},
      {{"get", edited, "Layer vol", "--layer", "3"}, 0, "-6\n", ""},
      {{"get", edited, "B"}, 0, "7\n", ""},
      {{"get", edited, "B", "--layer", "0"}, 0, "7\n", ""},
      {{"get", edited, "0E:03", "--layer", "2"}, 0, "40\n", ""},
      {{"get", edited, "vol"}, 1, "", "\"vol\" is a parameter of each layer: give --layer 1-4"},
      {{"get", edited, "vol", "--layer", "0"}, 1, "", "\"vol\" is a parameter of each layer"},
      {{"get", edited, "B", "--layer", "2"}, 1, "", "\"B\" is a parameter of the common block"},
      {{"get", edited, "A1", "--layer", "1"}, 1, "", "\"A1\" names 6 value controls (0E:02 "},
      {{"get", edited, "volume", "--layer", "1"}, 1, "", "Unknown parameter \"volume\""},
      {{"get", edited, "0B:1G", "--layer", "1"}, 1, "", "Invalid parameter number 0B:1G"},
      {{"set", edited, "src", "3", "--layer", "1"}, 1, "", "Unknown parameter \"src\""},
  };
  for (const Row& row : rows) {
    const ProcessResult r = RunTool(row.arguments);
    const std::string context = row.arguments[0] + " " + row.arguments[2];
    EXPECT_EQ(r.exitCode, row.exitCode) << context << ": " << r.err;
    EXPECT_EQ(r.out, row.out) << context;
    EXPECT_EQ(r.err.substr(0, row.err.size()), row.err) << context;
  }

  const auto named = Lines(RunTool({"show", edited, "--layer", "3", "--names"}).out);
  ASSERT_EQ(named.size(), 167u);
  EXPECT_EQ(named[0], "dragger25 07:13 0 \"A:+0\" -");
  EXPECT_EQ(named[12], "dragger1 0B:02 -6 \"vol:-6dB\" \"Layer vol\"");
  EXPECT_EQ(named[166], "dragger143 0F:48 0 \"+0\" \"Cord 24 amount\"");
}

}  // namespace
}  // namespace morvane::cli::testing
