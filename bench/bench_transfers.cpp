#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <span>
#include <string>

#include "engine/ask_user.h"
#include "midi/backends/scripted/scripted_driver.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "sim/simulated_module.h"
#include "tform1.h"
#include "window_application.h"

namespace {

using morvane::editor::TForm1;

using morvane::bench::Application;

class YesPrompt final : public morvane::engine::TUserPrompt {
 public:
  bool Ask(const std::string& /*text*/, morvane::engine::TAskKind /*kind*/) override {
    return true;
  }
};

// From the driver's return of the dump's last packet to the input port until the image of the
// current channel holds the dump and the window shows it. The request and the first seven
// messages are taken before the clock starts.
void BM_DumpTakenIn(benchmark::State& state) {
  Application();
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  morvane::midi::ScriptedDriver driver({"Morvane Simulator"}, {"Morvane Simulator"});
  YesPrompt yes;
  TForm1 window(&yes, driver);
  window.show();
  morvane::preset::tMrv preset;
  preset.LoadPresetFromBytes(morvane::preset::BuildInitialPreset());
  preset.WriteName("Ben:h dump");
  const auto messages = morvane::sim::SplitDump(preset.BuildDump());
  const std::span<const morvane::sim::Message> leading(messages.data(), messages.size() - 1);
  const QString shownName = QStringLiteral("Ben:h dump      ");
  for (auto _ : state) {
    window.RequestPatchonCurrentChannel1->trigger();
    if (window.MidiInput1.State() != morvane::midi::misOpen) {
      state.SkipWithError("The scripted input did not open");
      return;
    }
    window.setWindowTitle(QString());
    for (const auto& message : leading) {
      driver.DeliverSysex(message);
    }
    while (window.receiveBuffer.Size() != morvane::preset::kDumpSize - messages.back().size()) {
      QApplication::processEvents();
    }
    const auto start = std::chrono::steady_clock::now();
    driver.DeliverSysex(messages.back());
    while (window.windowTitle() != shownName) {
      QApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_DumpTakenIn)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
