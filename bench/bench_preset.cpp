#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace {

using namespace morvane::preset;

void BM_LoadPresetFromStream(benchmark::State& state) {
  const ByteStream stream(BuildInitialPreset());
  tMrv image;
  for (auto _ : state) {
    image.LoadPresetFromStream(stream);
    benchmark::DoNotOptimize(image.View().data());
  }
}
BENCHMARK(BM_LoadPresetFromStream);

void BM_BuildDump(benchmark::State& state) {
  tMrv image;
  image.LoadPresetFromBytes(BuildInitialPreset());
  for (auto _ : state) {
    Bytes dump = image.BuildDump();
    benchmark::DoNotOptimize(dump.data());
  }
}
BENCHMARK(BM_BuildDump);

void BM_SendParameterMessages(benchmark::State& state) {
  int value = -100;
  for (auto _ : state) {
    auto messages = SendParameterMessages({0x02, 0x0B}, 1, 2, value, false);
    benchmark::DoNotOptimize(messages[2].data());
    value = value < 255 ? value + 1 : -100;
  }
}
BENCHMARK(BM_SendParameterMessages);

// The session file's size: what the editor writes when its channels changed, at most once a
// second, on the GUI thread.
constexpr std::size_t kSessionBytes = 49663;

std::filesystem::path BenchFile(const char* name) {
  const auto folder = std::filesystem::temp_directory_path() / "morvane-bench-files";
  std::filesystem::create_directories(folder);
  return folder / name;
}

// A session write as the editor makes it: temporary file, sync, rename, sync of the folder.
void BM_WriteFileReplacingSessionSize(benchmark::State& state) {
  const std::string path = BenchFile("durable.session").string();
  Bytes bytes(kSessionBytes, 0x2A);
  for (auto _ : state) {
    bytes[0] = static_cast<std::uint8_t>(bytes[0] + 1);
    WriteFileReplacing(path, bytes);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFileReplacingSessionSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same write and rename without either sync: what the syncs cost is the difference.
void BM_WriteAndRenameWithoutSync(benchmark::State& state) {
  const auto path = BenchFile("unsynced.session");
  auto temporary = path;
  temporary += ".tmp";
  Bytes bytes(kSessionBytes, 0x2A);
  for (auto _ : state) {
    bytes[0] = static_cast<std::uint8_t>(bytes[0] + 1);
    std::ofstream(temporary, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::filesystem::rename(temporary, path);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_WriteAndRenameWithoutSync)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
