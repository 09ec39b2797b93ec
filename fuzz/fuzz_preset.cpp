// Arbitrary bytes as a preset file: load, read and write values at the edges of every
// group of the address map, build the dump and, for a small share of inputs, save it.
//
// Invariants: a refused load leaves the image as it was; a value inside the payload
// reads back as written and one outside is refused; a built dump has the dump's size,
// and one built from a framed file is framed and loads back into the same dump.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include <unistd.h>

#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "preset/preset_errors.h"
#include "preset/tmrv.h"
#include "preset/value_codec.h"

namespace {

using morvane::preset::Bytes;
using morvane::preset::tMrv;

constexpr int kLastLayer = 4;
// One group from each stretch of the address map, and the edges between them.
constexpr std::array<std::int8_t, 12> kGroups{-128, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 120};
constexpr int kLastLow = 127;
// One input in this many is also saved to a file: the rest stay in memory.
constexpr std::size_t kSaveShare = 256;

const tMrv& InitialImage() {
  static const tMrv image = [] {
    tMrv initial;
    initial.LoadPresetFromBytes(morvane::preset::BuildInitialPreset());
    return initial;
  }();
  return image;
}

// One file a process, since the workers of a long run save side by side; removed when
// the process ends. In memory where the system has a folder for it: a save syncs the file and
// its folder to the disk, which would cost more than the fuzzing itself.
class SaveFile {
 public:
  SaveFile()
      : path_((Folder() / ("morvane-fuzz-preset-" + std::to_string(getpid()) + ".syx")).string()) {}
  ~SaveFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  static std::filesystem::path Folder() {
    std::error_code error;
    const std::filesystem::path memory = "/dev/shm";
    return std::filesystem::is_directory(memory, error) ? memory
                                                        : std::filesystem::temp_directory_path();
  }

  std::string path_;
};

const std::string& SavePath() {
  static const SaveFile file;
  return file.Path();
}

bool Inside(const tMrv& image, std::int8_t group, int low, int layer) {
  const int offset = image.ParamOffset(group, low, layer);
  return offset >= 0 && static_cast<std::size_t>(offset) + 2 <= image.Size();
}

// Reads at both ends of every group's lows, and one write and read back a layer at a
// low seed picks, with a value that decodes back to itself.
void CheckValues(tMrv& image, std::uint8_t seed) {
  using morvane::preset::kMaxExact;
  using morvane::preset::kMinExact;
  const int pickedLow = seed & kLastLow;
  const int value = kMinExact + (seed * (kLastLow + 1) + pickedLow) % (kMaxExact - kMinExact + 1);
  for (int layer = 0; layer <= kLastLayer; ++layer) {
    bool outsideChecked = false;
    for (const std::int8_t group : kGroups) {
      for (const int low : {0, kLastLow}) {
        if (Inside(image, group, low, layer)) {
          (void)image.ReadParam(group, low, layer);
        } else if (!outsideChecked) {
          // Refusals throw; one a layer keeps the run fast.
          outsideChecked = true;
          try {
            (void)image.ReadParam(group, low, layer);
            __builtin_trap();
          } catch (const morvane::preset::StreamReadError&) {
          }
        }
      }
    }
    const std::int8_t group = kGroups[static_cast<std::size_t>(seed + layer) % kGroups.size()];
    if (Inside(image, group, pickedLow, layer)) {
      const int old = image.ReadParam(group, pickedLow, layer);
      image.WriteParam(group, pickedLow, layer, value);
      if (image.ReadParam(group, pickedLow, layer) != value) {
        __builtin_trap();
      }
      image.WriteParam(group, pickedLow, layer, old);
    }
  }
}

std::size_t Hash(std::span<const std::uint8_t> bytes) {
  std::size_t hash = bytes.size();
  for (const std::uint8_t byte : bytes) {
    hash = hash * 31 + byte;
  }
  return hash;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace morvane::preset;
  const std::span<const std::uint8_t> input(data, size);
  static tMrv image;
  image = InitialImage();
  try {
    image.LoadPresetFromBytes(input);
  } catch (const PresetError&) {
    const auto before = InitialImage().View();
    const auto after = image.View();
    if (!std::equal(before.begin(), before.end(), after.begin(), after.end())) {
      __builtin_trap();
    }
    return 0;
  }
  (void)image.ReadName();
  CheckValues(image, size > 0 ? input[size / 2] : 0);
  Bytes dump;
  try {
    dump = image.BuildDump();
  } catch (const StreamReadError&) {
    return 0;
  }
  if (dump.size() != kDumpSize) {
    __builtin_trap();
  }
  if (IsFramedDump(input)) {
    tMrv reloaded;
    reloaded.LoadPresetFromBytes(dump);
    if (!IsFramedDump(dump) || reloaded.BuildDump() != dump) {
      __builtin_trap();
    }
  }
  if (Hash(input) % kSaveShare == 0) {
    image.SavePreset(SavePath());
    if (ReadWholeFile(SavePath()) != dump) {
      __builtin_trap();
    }
  }
  return 0;
}
