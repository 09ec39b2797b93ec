#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "midi/backends/virtual/virtual_backend.h"
#include "midi/backends/winmm/winmm_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/platform_driver.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"

namespace morvane::midi {
namespace {

constexpr std::chrono::milliseconds kPatience{20000};

void IgnoreCallback(DeviceHandle, std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t) {}

TEST(WinmmBackend, OpensEveryListedDeviceAndRefusesTheNextId) {
  WinmmBackend winmm;
  const std::uint32_t outputs = winmm.OutGetNumDevs();
  const std::uint32_t inputs = winmm.InGetNumDevs();
  for (std::uint32_t id = 0; id < outputs; ++id) {
    MidiOutCaps caps;
    ASSERT_EQ(winmm.OutGetDevCaps(static_cast<std::int32_t>(id), caps), kNoError);
    DeviceHandle device = kNoDevice;
    ASSERT_EQ(winmm.OutOpen(device, static_cast<std::int32_t>(id), &IgnoreCallback, 0), kNoError)
        << caps.productName;
    EXPECT_EQ(winmm.OutClose(device), kNoError);
  }
  for (std::uint32_t id = 0; id < inputs; ++id) {
    MidiInCaps caps;
    ASSERT_EQ(winmm.InGetDevCaps(id, caps), kNoError);
    DeviceHandle device = kNoDevice;
    ASSERT_EQ(winmm.InOpen(device, id, &IgnoreCallback, 0), kNoError) << caps.productName;
    EXPECT_EQ(winmm.InClose(device), kNoError);
  }

  DeviceHandle device = kNoDevice;
  EXPECT_EQ(winmm.OutOpen(device, static_cast<std::int32_t>(outputs), &IgnoreCallback, 0),
            kBadDeviceId);
  EXPECT_EQ(winmm.InOpen(device, inputs, &IgnoreCallback, 0), kBadDeviceId);
  EXPECT_EQ(device, kNoDevice);
  std::string text;
  ASSERT_EQ(winmm.OutGetErrorText(kBadDeviceId, text), kNoError);
  EXPECT_FALSE(text.empty());
}

TEST(PlatformDriver, ListsTheSimulatorThenTheSystemsDevices) {
  WinmmBackend winmm;
  MidiDriver& devices = PlatformDriver();
  ASSERT_EQ(devices.OutGetNumDevs(), 1 + winmm.OutGetNumDevs());
  ASSERT_EQ(devices.InGetNumDevs(), 1 + winmm.InGetNumDevs());
  MidiOutCaps out;
  MidiInCaps in;
  ASSERT_EQ(devices.OutGetDevCaps(0, out), kNoError);
  EXPECT_EQ(out.productName, kSimulatorName);
  ASSERT_EQ(devices.InGetDevCaps(0, in), kNoError);
  EXPECT_EQ(in.productName, kSimulatorName);
  for (std::uint32_t id = 0; id < winmm.OutGetNumDevs(); ++id) {
    MidiOutCaps system;
    ASSERT_EQ(winmm.OutGetDevCaps(static_cast<std::int32_t>(id), system), kNoError);
    ASSERT_EQ(devices.OutGetDevCaps(static_cast<std::int32_t>(id + 1), out), kNoError);
    EXPECT_EQ(out.productName, system.productName);
  }

  QueuedGuiThread gui;
  TMidiOutput mapper(gui);
  mapper.SetDeviceID(kMidiMapper);
  MidiOutCaps firstSystemOutput;
  const bool systemHasOutputs = winmm.OutGetDevCaps(0, firstSystemOutput) == kNoError;
  EXPECT_EQ(mapper.ProductName(),
            systemHasOutputs ? firstSystemOutput.productName : std::string(kSimulatorName));
}

TEST(PlatformDriver, TheSimulatorAnswersADumpRequest) {
  QueuedGuiThread gui;
  TMidiOutput output(gui);
  TMidiInput input(gui);
  output.SetDeviceID(0);
  input.SetDeviceID(0);
  input.SetSysexBufferCount(32);
  input.SetSysexOnly(true);
  std::vector<std::uint8_t> received;
  input.OnMidiInput = [&](TMidiInput& sender) {
    while (sender.PendingCount() != 0) {
      const auto event = sender.TakeEvent();
      received.insert(received.end(), event->SysexData.begin(), event->SysexData.end());
    }
  };
  ASSERT_TRUE(output.OpenPort());
  input.OpenPort();
  ASSERT_EQ(input.State(), misOpen);
  input.StartInput();

  output.SendLong(preset::DumpRequestMessage(preset::kEditBufferPreset));
  ASSERT_TRUE(gui.PumpUntil([&] { return received.size() >= preset::kDumpSize; }, kPatience));
  EXPECT_EQ(received.size(), preset::kDumpSize);
  preset::tMrv image;
  EXPECT_NO_THROW(image.LoadPresetFromBytes(received));
  input.ClosePort();
  EXPECT_TRUE(output.ClosePort());
}

}  // namespace
}  // namespace morvane::midi
