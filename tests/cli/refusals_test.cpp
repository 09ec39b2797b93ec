#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "preset/byte_stream.h"
#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"
#include "preset/value_codec.h"
#include "run_process.h"

namespace morvane::cli::testing {
namespace {

namespace fs = std::filesystem;

// In the arguments, {in} stands for our initial preset, {renamed} for the same preset with
// another name and {out} for a file that the run may write.
struct Row {
  std::vector<std::string> arguments;
  int exitCode;
  std::string words;  // what the message holds (on standard error unless onOutput)
  bool onOutput = false;
  bool whole = false;              // the words are all the stream holds
  std::string name = {};           // the name {out} holds after the run
  std::optional<int> volume = {};  // the layer 1 volume (0B:02) {out} holds after the run
};

// A failing row names its run.
void PrintTo(const Row& row, std::ostream* out) {
  for (const std::string& argument : row.arguments) {
    *out << argument << " ";
  }
}

// set PARAM VALUE with more arguments, written to {out}.
std::vector<std::string> Set(const std::string& param, const std::string& value,
                             const std::vector<std::string>& more = {}) {
  std::vector<std::string> arguments{"set", "{in}", param, value, "-o", "{out}"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

std::vector<std::string> Rename(const std::string& name) {
  return {"rename", "{in}", name, "-o", "{out}"};
}

const std::vector<std::string> kLayer1{"--layer", "1"};
const std::vector<std::string> kForced1{"--layer", "1", "--force"};
const std::string kAccents = "warning: names hold no accented letters: ";

// What the tool refuses and the words it refuses with, one run of the tool a row, with the
// accepted values at each end of a range as rows too; and what it says of a name it changes.
// clang-format off
const Row kRows[] = {
    // Values: the codec's rule always, the control's range unless forced (the code range for a
    // coded control, as parms.txt gives it).
    {Set("0B:02", "-9000", kLayer1), 1, "VALUE -9000 would read back as 7384"},
    {Set("0B:02", "-8000", kForced1), 1, "8384: only -128..12927 read back as themselves"},
    {Set("0B:04", "12928", kLayer1), 1, "VALUE 12928 would read back as -128"},
    {Set("0B:04", "-129", kLayer1), 1, "VALUE -129 would read back as -1"},
    {Set("0B:04", "99999999999", kLayer1), 1, "outside -128..12927"},
    {Set("vol", "5000", kLayer1), 1, "VALUE 5000 is outside -96..10, the range of \"Layer vol\""},
    {Set("0B:02", "11", kLayer1), 1, "--force writes it"},
    {Set("0B:02", "-97", {"--layer", "4"}), 1, "-96..10"},
    {Set("0C:01", "164", {"--layer", "2"}), 1, "0..163, the range of \"Filter type\""},
    {Set("0C:01", "-1", {"--layer", "3"}), 1, "0..163"},
    {Set("B", "128"), 1, "-1..127, the range of \"Preset knob B\" (07:14)"},
    {Set("916", "-2", {"--layer", "0"}), 1, "-1..127"},
    {Set("0B:02", "10", kLayer1), 0, "", false, true, "", 10},
    {Set("0B:02", "-96", kLayer1), 0, "", false, true, "", -96},
    {Set("0B:02", "5000", kForced1), 0, "", false, true, "", 5000},
    {Set("0B:02", "12927", kForced1), 0, "", false, true, "", 12927},
    {Set("0B:02", "-128", kForced1), 0, "", false, true, "", -128},
    {Set("0C:01", "163", {"--layer", "2"}), 0, "", false, true},
    {Set("B", "-1"), 0, "", false, true},
    {Set("0B:04", "12927", kLayer1), 0, "", false, true},
    {Set("923", "-128"), 0, "", false, true},
    {{"encode", "-8193"}, 1, "N -8193 is outside -8192..16383"},
    {{"encode", "16384"}, 1, "-8192..16383"},
    {{"encode", "99999999"}, 1, "-8192..16383"},
    {{"encode", "-8192"}, 0, "00 40\n", true, true},
    {{"encode", "16383"}, 0, "7F 7F\n", true, true},
    {{"msg", "edit", "0B:02", "16384", "--layer", "1"}, 1, "VALUE 16384 is outside -8192..16383"},
    {{"msg", "edit", "0B:02", "-8192", "--layer", "1"}, 0, "02 0B 00 40 F7", true},
    {{"dump", "{in}", "--preset", "12928"}, 1, "--preset 12928 is outside -128..12927"},
    {{"dump", "{in}", "--preset", "-129"}, 1, "-128..12927"},
    {{"dump", "{in}", "--preset", "99999"}, 1, "-128..12927"},
    {{"dump", "{in}", "--preset", "12927"}, 0, "F0 18 0F 00 55 10 01 7F 64 ", true},
    {{"msg", "request", "--channel", "17"}, 1, "1 to 16"},
    {{"msg", "request", "--channel", "0"}, 1, "1 to 16"},
    {{"msg", "edit", "0B:02", "1", "--layer", "5"}, 1, "0 to 4"},
    {{"get", "{in}", "0B:02", "--layer", "-1"}, 1, "0 to 4"},
    // Bytes.
    {{"decode", "80", "00"}, 1, "Byte 80 is outside 00..7F"},
    {{"decode", "00", "FF"}, 1, "Byte FF is outside 00..7F"},
    {{"decode", "7G", "00"}, 1, "7G"},
    {{"decode", "7F", "7F"}, 0, "-1\n", true, true},
    // Commands.
    {{"frobnicate"}, 1, "Unknown command 'frobnicate'; `morvane --help` lists the commands\n", false, true},
    {{"frobnicate", "--layer", "1"}, 1, "Unknown command 'frobnicate'"},
    {{"msg", "frob"}, 1, "Unknown command 'msg frob'; `morvane msg --help` lists the commands"},
    {{"bank", "merge", "a", "b"}, 1, "Unknown command 'bank merge'"},
    {{"info", "{in}", "extra"}, 1, "not expected: extra"},
    // Names: plain letters once per character, the rest a space, the cut at 16 told; exit 0.
    {Rename("Pad:W\u00E4rm \u00DCn\u00EFcode"), 0,
     kAccents + "\u00E4 is stored as a, \u00DC as U, \u00EF as i\n", false, true, "Pad:Warm Unicode"},
    {Rename("Pad:Caf\u00E9 \u2713 \u20AC\u2713"), 0,
     "warning: no plain form, stored as a space: \u2713, \u20AC\n", false, false, "Pad:Cafe        "},
    {Rename("Bnk:Bank Sound 10"), 0,
     "warning: the name is cut to its first 16 characters: \"Bnk:Bank Sound 1\"\n", false, true,
     "Bnk:Bank Sound 1"},
    {Rename("Stra\u00DFe Stra\u00DFe 1"), 0,
     "\u00DF is stored as ss\nwarning: the name is cut to its first 16 characters: "
     "\"Strasse Strasse \"\n", false, false, "Str:sse Strasse "},
    {{"msg", "rename", "Caf\u00E9"}, 0, "F0 18 0F 00 55 01 02 06 07 65 00 F7\n", true},
    // Presets that differ only in their name differ.
    {{"diff", "{in}", "{renamed}"}, 1, "name \"Ini:New Preset  \" -> \"Ini:Other       \"\n", true, true},
};
// clang-format on

class ToolRefusals : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    dir_ = fs::path(MORVANE_TEST_DIR) / ("morvane-cli-refusal-" + std::to_string(Index()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Write("init.syx", preset::BuildInitialPreset());
    preset::tMrv renamed = Load("init.syx");
    renamed.WriteName("Ini:Other");
    renamed.SavePreset(PathOf("renamed.syx"));
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::size_t Index() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::stoul(name.substr(name.rfind('/') + 1));
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const preset::Bytes& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  preset::tMrv Load(const std::string& name) const {
    preset::tMrv image;
    image.LoadPresetFromBytes(preset::ReadWholeFile(PathOf(name)));
    return image;
  }
  std::vector<std::string> Arguments(const Row& row) const {
    const std::pair<std::string_view, std::string> files[] = {
        {"{in}", PathOf("init.syx")},
        {"{out}", PathOf("out.syx")},
        {"{renamed}", PathOf("renamed.syx")},
    };
    std::vector<std::string> arguments = row.arguments;
    for (std::string& argument : arguments) {
      for (const auto& [mark, path] : files) {
        if (argument == mark) {
          argument = path;
        }
      }
    }
    return arguments;
  }

  fs::path dir_;
};

TEST_P(ToolRefusals, SayWhatIsTakenOrWhatChanged) {
  const Row& row = GetParam();
  const ProcessResult r = RunTool(Arguments(row));
  EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
  const std::string& stream = row.onOutput ? r.out : r.err;
  if (row.whole) {
    EXPECT_EQ(stream, row.words);
  } else {
    EXPECT_NE(stream.find(row.words), std::string::npos) << r.out << r.err;
  }
  if (row.exitCode != 0) {
    // A refusal writes nothing.
    EXPECT_FALSE(fs::exists(PathOf("out.syx")));
    if (!row.onOutput) {
      EXPECT_EQ(r.out, "");
    }
  }
  if (!row.name.empty()) {
    EXPECT_EQ(Load("out.syx").ReadName(), row.name);
  }
  if (row.volume) {
    constexpr int kVolumeLow = 0x02;
    constexpr std::int8_t kVolumeGroup = preset::GroupOf(0x0B);
    EXPECT_EQ(Load("out.syx").ReadParam(kVolumeGroup, kVolumeLow, 1), *row.volume);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ToolRefusals, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace morvane::cli::testing
