#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "midi/backends/scripted/scripted_driver.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "midi/device_list.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"

namespace morvane::midi {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::chrono::milliseconds kPatience{20000};
constexpr std::size_t kDumpMessages = 1 + preset::kPacketCount;

// The two ports on the simulator, set up as the editor window sets its input.
class SimulatorSession {
 public:
  explicit SimulatorSession(MidiDriver& driver) : output(gui, driver), input(gui, driver) {
    input.SetCapacity(2048);
    input.SetSysexBufferCount(32);
    input.SetSysexOnly(true);
    input.OnMidiInput = [this](TMidiInput& sender) {
      while (sender.PendingCount() != 0) {
        const auto event = sender.TakeEvent();
        ++events;
        received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
      }
    };
    output.Onmidioutput = [this](TMidiOutput&) { ++sent; };
    EXPECT_TRUE(output.OpenPort());
    input.OpenPort();
    EXPECT_EQ(input.State(), misOpen);
    input.StartInput();
  }

  Bytes RequestDump(int presetNumber) {
    received.clear();
    events = 0;
    output.SendLong(preset::DumpRequestMessage(presetNumber));
    EXPECT_TRUE(gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience));
    gui.PumpPending();
    return received;
  }

  QueuedGuiThread gui;
  TMidiOutput output;
  TMidiInput input;
  Bytes received;
  std::size_t events = 0;
  int sent = 0;
};

TEST(VirtualBackendSession, DumpRequestComesBackAsOneSysexEventPerMessage) {
  VirtualBackend simulator;
  SimulatorSession session(simulator);
  const Bytes dump = session.RequestDump(preset::kEditBufferPreset);
  ASSERT_EQ(dump.size(), preset::kDumpSize);
  EXPECT_EQ(session.events, kDumpMessages) << "the header message and the seven packets";
  EXPECT_EQ(dump.front(), preset::kSysexStart);
  EXPECT_EQ(dump.back(), preset::kSysexEnd);
  EXPECT_EQ(dump[preset::kPresetNumberOffset], 0x7F);
  EXPECT_EQ(dump[preset::kPresetNumberOffset + 1], 0x7F);
  EXPECT_EQ(session.sent, 1) << "the request's buffer was released";
}

TEST(VirtualBackendSession, EditThenRequestShowsTheValueAtItsDumpOffset) {
  VirtualBackend simulator;
  SimulatorSession session(simulator);
  constexpr int kChannelIndex = 2;
  constexpr std::size_t kLayer1Param0B02 = 230;
  for (const Bytes& message :
       preset::SendParameterMessages({0x02, 0x0B}, 1, kChannelIndex, -6, false)) {
    session.output.SendLong(message);
  }
  const Bytes dump = session.RequestDump(kChannelIndex);
  ASSERT_EQ(dump.size(), preset::kDumpSize);
  EXPECT_EQ(dump[preset::kPresetNumberOffset], kChannelIndex);
  const std::size_t offset = preset::DumpOffsetOfPayloadByte(kLayer1Param0B02);
  EXPECT_EQ(dump[offset], 0x7A);
  EXPECT_EQ(dump[offset + 1], 0x7F);
  EXPECT_EQ(session.sent, 4);
  EXPECT_TRUE(session.output.ClosePort());
}

TEST(VirtualBackendSession, PacedRepliesCarryTheSameBytes) {
  VirtualBackend instant;
  VirtualBackend paced(VirtualBackend::Pacing::WireRate);
  SimulatorSession first(instant);
  SimulatorSession second(paced);
  EXPECT_EQ(first.RequestDump(5), second.RequestDump(5));
}

TEST(VirtualBackendSession, SmallBuffersSplitTheDumpAndEveryBufferComesBack) {
  VirtualBackend simulator;
  QueuedGuiThread gui;
  TMidiOutput output(gui, simulator);
  TMidiInput input(gui, simulator);
  input.SetSysexBufferSize(100);
  input.SetSysexBufferCount(40);
  Bytes received;
  input.OnMidiInput = [&](TMidiInput& sender) {
    const auto event = sender.TakeEvent();
    received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
  };
  ASSERT_TRUE(output.OpenPort());
  input.OpenPort();
  input.StartInput();
  output.SendLong(preset::DumpRequestMessage(0));
  ASSERT_TRUE(gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience));
  EXPECT_EQ(received.size(), preset::kDumpSize);
  input.ClosePort();
  EXPECT_EQ(input.State(), misClosed);
}

TEST(VirtualBackendSession, InputBeforeStartIsNotDelivered) {
  VirtualBackend simulator;
  QueuedGuiThread gui;
  TMidiOutput output(gui, simulator);
  TMidiInput input(gui, simulator);
  ASSERT_TRUE(output.OpenPort());
  input.OpenPort();
  output.SendLong(preset::DumpRequestMessage(0));
  ASSERT_TRUE(gui.PumpUntil([&] { return output.PendingLongCount() == 0; }, kPatience));
  EXPECT_EQ(input.PendingCount(), 0);
}

class DeviceListTest : public ::testing::Test {
 protected:
  std::shared_ptr<ScriptedDriver> system = std::make_shared<ScriptedDriver>(
      std::vector<std::string>{"Synth A", "Synth B"}, std::vector<std::string>{"Keys"});
  QueuedGuiThread gui;
};

TEST_F(DeviceListTest, VirtualDevicesComeFirstThenTheSystems) {
  DeviceList devices;
  devices.Add(std::make_shared<VirtualBackend>());
  devices.Add(system, true);
  ASSERT_EQ(devices.OutGetNumDevs(), 3u);
  ASSERT_EQ(devices.InGetNumDevs(), 2u);
  MidiOutCaps out;
  MidiInCaps in;
  ASSERT_EQ(devices.OutGetDevCaps(0, out), kNoError);
  EXPECT_EQ(out.productName, kSimulatorName);
  ASSERT_EQ(devices.OutGetDevCaps(2, out), kNoError);
  EXPECT_EQ(out.productName, "Synth B");
  ASSERT_EQ(devices.InGetDevCaps(1, in), kNoError);
  EXPECT_EQ(in.productName, "Keys");
  EXPECT_EQ(devices.OutGetDevCaps(3, out), kBadDeviceId);

  // What keeps a backend's devices away is said by the list, each backend's in turn.
  EXPECT_EQ(devices.DeviceTrouble(), "");
  system->SetDeviceTrouble("The JACK server does not answer");
  EXPECT_EQ(devices.DeviceTrouble(), "The JACK server does not answer");
  auto other =
      std::make_shared<ScriptedDriver>(std::vector<std::string>{}, std::vector<std::string>{});
  other->SetDeviceTrouble("No sequencer");
  devices.Add(other);
  EXPECT_EQ(devices.DeviceTrouble(), "The JACK server does not answer; No sequencer");
}

TEST_F(DeviceListTest, MapperIsTheSystemsFirstOutputOrElseTheSimulator) {
  DeviceList devices;
  devices.Add(std::make_shared<VirtualBackend>());
  devices.Add(system, true);
  TMidiOutput output(gui, devices);
  output.SetDeviceID(kMidiMapper);
  EXPECT_EQ(output.ProductName(), "Synth A");
  ASSERT_TRUE(output.OpenPort());
  output.SendShort(0x90, 60, 1);
  EXPECT_EQ(system->ShortMessages().size(), 1u);
  EXPECT_TRUE(output.ClosePort());

  system->SetDeviceCounts(0, 0);
  output.SetDeviceID(kMidiMapper);
  EXPECT_EQ(output.ProductName(), kSimulatorName);
}

TEST_F(DeviceListTest, PortsReachTheRightBackendByName) {
  DeviceList devices;
  devices.Add(std::make_shared<VirtualBackend>());
  devices.Add(system, true);
  TMidiInput input(gui, devices);
  EXPECT_EQ(input.ProductName(), kSimulatorName);
  input.SetProductName("Keys");
  input.OpenPort();
  ASSERT_EQ(input.State(), misOpen);
  EXPECT_TRUE(system->InputOpen());
  input.StartInput();
  system->DeliverShort(0x407F90);
  EXPECT_EQ(input.PendingCount(), 1);
  input.ClosePort();
  EXPECT_FALSE(system->InputOpen());
}

}  // namespace
}  // namespace morvane::midi
