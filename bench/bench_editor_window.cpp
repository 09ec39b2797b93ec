#include <benchmark/benchmark.h>

#include <QApplication>

#include "midi/backends/virtual/virtual_backend.h"
#include "tform1.h"
#include "window_application.h"

namespace {

using morvane::bench::Application;

// The whole window with its 169 value controls, built and taken down without being shown.
void BM_BuildEditorWindow(benchmark::State& state) {
  Application();
  morvane::midi::VirtualBackend devices;
  morvane::engine::TUserPrompt* noPrompt = nullptr;
  for (auto _ : state) {
    morvane::editor::TForm1 window(noPrompt, devices);
    benchmark::DoNotOptimize(window.ValueControls().data());
  }
}
BENCHMARK(BM_BuildEditorWindow)->Unit(benchmark::kMillisecond);

}  // namespace
