#include <benchmark/benchmark.h>

#include "parammap/param_map.h"

namespace {

using namespace morvane::parammap;

// One caption per step of a drag: a control with items (note names) and one without.
void BM_CaptionWhileDragging(benchmark::State& state) {
  const ControlSpec& notes = *FindControl("dragger155");
  const ControlSpec& volume = *FindControl("dragger1");
  const CaptionSettings noteSettings = CaptionSettingsOf(notes, notes.items);
  const CaptionSettings volumeSettings = CaptionSettingsOf(volume, volume.items);
  int step = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CaptionFor(noteSettings, step % 128));
    benchmark::DoNotOptimize(CaptionFor(volumeSettings, step % 107 - 96));
    ++step;
  }
}
BENCHMARK(BM_CaptionWhileDragging);

// What the window's refresh does for each control of the Patchcords page.
void BM_ShownPositionOfEveryCord(benchmark::State& state) {
  const auto cords = ControlsOn(Page::Patchcords);
  for (auto _ : state) {
    for (const ControlSpec& control : cords) {
      benchmark::DoNotOptimize(ShownPosition(control, 167));
    }
  }
}
BENCHMARK(BM_ShownPositionOfEveryCord);

}  // namespace
