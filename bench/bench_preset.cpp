#include <benchmark/benchmark.h>

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

}  // namespace
