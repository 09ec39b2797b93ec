#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/bytes_to_text.h"
#include "engine/midi_app_util.h"
#include "engine_fixture.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace morvane::engine::testing {
namespace {

constexpr std::size_t kDumpSize = 1605;

// The engine between the ports of the in-process simulated module, as the window
// wires them: edits go out through SendSysex, dumps come back through the input.
class SimulatorRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.OUTPUT = &output;
    engine.INPUT = &input;
    engine.SysexSender().SetSleeper([this](std::chrono::milliseconds) { ++pauses; });
    ASSERT_TRUE(output.OpenPort());
    input.SetSysexOnly(true);
    input.OpenPort();
    ASSERT_EQ(input.State(), midi::misOpen);
    input.StartInput();
    input.OnMidiInput = [this](midi::TMidiInput& port) {
      while (port.PendingCount() != 0) {
        const std::unique_ptr<midi::TMyMidiEvent> event = port.TakeEvent();
        const Bytes text = BytesToText(event->SysexData, event->SysexSize);
        received.insert(received.end(), text.begin(), text.end());
      }
    };
  }

  midi::QueuedGuiThread gui;
  midi::VirtualBackend backend;
  midi::TMidiOutput output{gui, backend};
  midi::TMidiInput input{gui, backend};
  ScriptedPrompt prompt;
  TMIDIappUtil engine{prompt, gui};
  Bytes received;
  int pauses = 0;
};

TEST_F(SimulatorRoundTripTest, ListsNameTheSimulatorFirst) {
  std::vector<std::string> outputs;
  std::vector<std::string> inputs;
  input.ClosePort();
  engine.FillOutputList(outputs);
  engine.FillInputList(inputs);
  ASSERT_FALSE(outputs.empty());
  ASSERT_FALSE(inputs.empty());
  EXPECT_EQ(outputs[0], " Morvane Simulator");
  EXPECT_EQ(inputs[0], "  Morvane Simulator");
}

TEST_F(SimulatorRoundTripTest, AnEditSentInOrderShowsInTheNextDump) {
  constexpr int kValue = 77;
  constexpr int kLayer = 2;
  const preset::ParamNumber param{0x01, 0x0B};
  engine.SetPause(true);
  for (const Bytes& message :
       preset::SendParameterMessages(param, kLayer, /*channelIndex=*/0, kValue, true)) {
    engine.SendSysex(message);
  }
  engine.SendSysex(preset::DumpRequestMessage(preset::kEditBufferPreset));
  ASSERT_TRUE(gui.PumpUntil([&] { return received.size() >= kDumpSize; }, std::chrono::seconds(5)));
  ASSERT_EQ(received.size(), kDumpSize);
  EXPECT_EQ(pauses, 4);

  preset::tMrv image;
  image.LoadPresetFromBytes(received);
  EXPECT_EQ(image.ReadParam(preset::GroupOf(param.high), param.low, kLayer), kValue);
  EXPECT_NE(image.ReadParam(preset::GroupOf(param.high), param.low, kLayer - 1), kValue);
}

}  // namespace
}  // namespace morvane::engine::testing
