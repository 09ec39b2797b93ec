#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/ask_user.h"
#include "engine/key_codes.h"
#include "engine/midi_app_util.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

namespace {

using morvane::engine::TAskKind;
using morvane::engine::TMIDIappUtil;

class NoPrompt : public morvane::engine::TUserPrompt {
 public:
  bool Ask(const std::string&, TAskKind) override { return true; }
};

// The engine on the output to the in-process simulated module.
struct EngineOnSimulator {
  EngineOnSimulator() {
    engine.OUTPUT = &output;
    output.OpenPort();
  }
  morvane::midi::QueuedGuiThread gui;
  morvane::midi::VirtualBackend backend;
  morvane::midi::TMidiOutput output{gui, backend};
  NoPrompt prompt;
  TMIDIappUtil engine{prompt, gui};
};

// One press and one release of Z: a note-on and a note-off handed to the port.
void BM_KeyPressAndReleaseToPort(benchmark::State& state) {
  EngineOnSimulator rig;
  const auto z = morvane::engine::VirtualKeyOf('Z');
  for (auto _ : state) {
    rig.engine.KeyDown(z, {});
    rig.engine.KeyUp(z);
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_KeyPressAndReleaseToPort);

// The three strings of one parameter edit, from SendSysex until the driver has all
// three, in one turn of the GUI thread (which also releases earlier strings).
void BM_EditStringsToDriver(benchmark::State& state) {
  EngineOnSimulator rig;
  const std::vector<std::uint8_t> presetSelect{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10,
                                               0x01, 0x07, 0x7F, 0x7F, 0xF7};
  const std::vector<std::uint8_t> layerSelect{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10,
                                              0x02, 0x07, 0x00, 0x00, 0xF7};
  const std::vector<std::uint8_t> edit{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10,
                                       0x02, 0x0B, 0x05, 0x00, 0xF7};
  for (auto _ : state) {
    rig.engine.SendSysex(presetSelect);
    rig.engine.SendSysex(layerSelect);
    rig.engine.SendSysex(edit);
    rig.gui.PumpPending();
  }
  state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_EditStringsToDriver);

}  // namespace
