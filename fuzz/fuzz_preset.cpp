// Arbitrary bytes as a preset dump: load, read every address, build and save.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "preset/preset_errors.h"
#include "preset/tmrv.h"

namespace {

constexpr int kByteValues = 128;
constexpr int kLastLayer = 4;

const std::string& SavePath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / "morvane-fuzz-preset.syx").string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace morvane::preset;
  ByteStream stream(Bytes(data, data + size));
  tMrv image;
  try {
    image.LoadPresetFromStream(stream);
  } catch (const PresetError&) {
    return 0;
  }
  (void)image.ReadName();
  for (int high = 0; high < kByteValues; ++high) {
    for (int low = 0; low < kByteValues; ++low) {
      for (int layer = 0; layer <= kLastLayer; ++layer) {
        const std::int8_t group = GroupOf(static_cast<std::uint8_t>(high));
        const int offset = image.ParamOffset(group, low, layer);
        const bool inside = offset >= 0 && static_cast<std::size_t>(offset) + 2 <= image.Size();
        // Reads outside the payload must fail; one per layer keeps the run fast.
        if (inside || (high == 0 && low == 0)) {
          try {
            (void)image.ReadParam(group, low, layer);
            if (!inside) {
              __builtin_trap();
            }
          } catch (const StreamReadError&) {
            if (inside) {
              __builtin_trap();
            }
          }
        }
      }
    }
  }
  try {
    (void)image.BuildDump();
    image.SavePreset(SavePath());
  } catch (const StreamReadError&) {
  }
  return 0;
}
