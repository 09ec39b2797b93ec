#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <numeric>
#include <vector>

#include "midi/backends/scripted/scripted_driver.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"

namespace morvane::midi {
namespace {

using Call = ScriptedDriver::Call;
using Bytes = std::vector<std::uint8_t>;
constexpr std::chrono::milliseconds kPatience{5000};
constexpr std::uint32_t kNoteOn = 0x643C90;

Bytes Sysex(std::size_t length, std::uint8_t fill = 0x11) {
  Bytes bytes(length, fill);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  for (std::size_t i = 1; i + 1 < length; ++i) {
    bytes[i] = static_cast<std::uint8_t>(i & 0x7F);
  }
  return bytes;
}

class MidiInputTest : public ::testing::Test {
 protected:
  void OpenStarted(std::uint16_t bufferSize = 64, std::uint16_t bufferCount = 4) {
    port.SetSysexBufferSize(bufferSize);
    port.SetSysexBufferCount(bufferCount);
    port.OpenPort();
    ASSERT_EQ(port.State(), misOpen);
    port.StartInput();
  }

  std::vector<std::unique_ptr<TMyMidiEvent>> TakeAll() {
    std::vector<std::unique_ptr<TMyMidiEvent>> events;
    while (port.PendingCount() != 0) {
      events.push_back(port.TakeEvent());
    }
    return events;
  }

  ScriptedDriver driver{{"Out"}, {"Keys", "Module"}};
  QueuedGuiThread gui;
  TMidiInput port{gui, driver};
};

TEST_F(MidiInputTest, CreationSelectsDeviceZeroOrFailsWithoutDevices) {
  EXPECT_EQ(port.State(), misClosed);
  EXPECT_EQ(port.ProductName(), "Keys");
  EXPECT_EQ(port.DeviceCount(), 2);
  ScriptedDriver empty{{}, {}};
  try {
    TMidiInput none(gui, empty);
    FAIL() << "created without an input device";
  } catch (const EMidiInputError& error) {
    EXPECT_STREQ(error.what(), "Invalid device ID");
  }
}

TEST_F(MidiInputTest, SelectionByIdAndByName) {
  EXPECT_THROW(port.SetDeviceID(2), EMidiInputError);
  port.SetProductName("Module");
  EXPECT_EQ(port.DeviceID(), 1);
  try {
    port.SetProductName("module");
    FAIL();
  } catch (const EMidiInputError& error) {
    EXPECT_STREQ(error.what(), "MIDI Input Device module not installed ");
  }
  EXPECT_EQ(port.DeviceID(), 1);
}

TEST_F(MidiInputTest, SettingsThatNeedAClosedPortAreRefusedWhileOpen) {
  OpenStarted();
  const auto expectText = [](auto&& action, const char* text) {
    try {
      action();
      ADD_FAILURE() << "accepted while open: " << text;
    } catch (const EMidiInputError& error) {
      EXPECT_STREQ(error.what(), text);
    }
  };
  expectText([&] { port.SetDeviceID(1); }, "Change to DeviceID while device was open");
  expectText([&] { port.SetProductName("Module"); }, "Change to ProductName while device was open");
  expectText([&] { port.SetSysexBufferSize(10); },
             "Change to SysexBufferSize while device was open");
  expectText([&] { port.SetSysexBufferCount(10); },
             "Change to SysexBuffercount while device was open");
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_EQ(port.SysexBufferSize(), 64);
}

TEST_F(MidiInputTest, OpenQueuesThePoolAndCloseReturnsAndUnpreparesIt) {
  OpenStarted(64, 5);
  EXPECT_EQ(driver.QueuedInputBuffers(), 5u);
  EXPECT_EQ(driver.PreparedHeaders(), 5u);
  port.ClosePort();
  EXPECT_EQ(port.State(), misClosed);
  EXPECT_EQ(driver.QueuedInputBuffers(), 0u);
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_FALSE(driver.InputOpen());
}

TEST_F(MidiInputTest, FailedOpenRaisesNothingAndLeavesNothingBehind) {
  driver.Fail(Call::InOpen, kAllocated);
  EXPECT_NO_THROW(port.OpenPort());
  EXPECT_EQ(port.State(), misClosed);
  EXPECT_EQ(port.Error(), kAllocated);

  driver.Fail(Call::InPrepareHeader, kNoMemory);
  port.OpenPort();
  EXPECT_EQ(port.State(), misClosed);
  EXPECT_EQ(port.Error(), kNoMemory);
  EXPECT_FALSE(driver.InputOpen()) << "the device opened before the failure is closed again";
  EXPECT_EQ(driver.PreparedHeaders(), 0u);

  driver.Fail(Call::InAddBuffer, kInvalidParameter);
  port.OpenPort();
  EXPECT_EQ(port.State(), misClosed);
  EXPECT_FALSE(driver.InputOpen());
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_EQ(driver.QueuedInputBuffers(), 0u);

  OpenStarted();
  EXPECT_EQ(driver.QueuedInputBuffers(), 4u) << "the next open starts clean";
}

TEST_F(MidiInputTest, ADeviceThatRefusesTheCloseAfterAFailedOpenKeepsItsRecord) {
  driver.Fail(Call::InPrepareHeader, kNoMemory);
  driver.Fail(Call::InClose, kGeneralError);
  port.OpenPort();
  EXPECT_EQ(port.State(), misClosed);
  ASSERT_TRUE(driver.InputOpen());
  driver.DeliverShort(kNoteOn);
  driver.UnplugInput();
  OpenStarted();
  EXPECT_EQ(port.PendingCount(), 0);
}

TEST_F(MidiInputTest, ShortMessageBecomesAnEventWithItsStamp) {
  OpenStarted();
  driver.DeliverShort(kNoteOn, 1234);
  ASSERT_EQ(port.PendingCount(), 1);
  const auto event = port.TakeEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->StatusByte, 0x90);
  EXPECT_EQ(event->DataByte1, 0x3C);
  EXPECT_EQ(event->DataByte2, 0x64);
  EXPECT_EQ(event->TimeStamp, 1234u);
  EXPECT_EQ(event->SysexSize, 0);
  EXPECT_TRUE(event->SysexData.empty());
  EXPECT_EQ(port.TakeEvent(), nullptr);
}

TEST_F(MidiInputTest, ActiveSensingAndClockNeverReachTheRing) {
  OpenStarted();
  int notified = 0;
  port.OnMidiInput = [&](TMidiInput&) { ++notified; };
  driver.DeliverShort(0xFE);
  driver.DeliverShort(0xF8);
  gui.PumpPending();
  EXPECT_EQ(port.PendingCount(), 0);
  EXPECT_EQ(notified, 0);
  driver.DeliverShort(0x01FE);
  EXPECT_EQ(port.PendingCount(), 1) << "only the lone status byte is dropped";
}

TEST_F(MidiInputTest, SysexOnlyDropsShortMessagesAndTakesEffectAtOnce) {
  port.SetSysexOnly(true);
  OpenStarted();
  driver.DeliverShort(kNoteOn);
  EXPECT_EQ(port.PendingCount(), 0);
  driver.DeliverSysex(Sysex(6));
  EXPECT_EQ(port.PendingCount(), 1);
  port.SetSysexOnly(false);
  driver.DeliverShort(kNoteOn);
  EXPECT_EQ(port.PendingCount(), 2);
  const auto events = TakeAll();
  EXPECT_EQ(events[0]->StatusByte, 0xF0);
  EXPECT_EQ(events[1]->StatusByte, 0x90);
}

TEST_F(MidiInputTest, LongSysexArrivesAsConsecutiveBufferEventsThatJoinUp) {
  OpenStarted(16, 4);
  const Bytes message = Sysex(40);
  EXPECT_EQ(driver.DeliverSysex(message), 3u);
  Bytes joined;
  std::vector<std::uint16_t> sizes;
  for (const auto& event : TakeAll()) {
    EXPECT_EQ(event->StatusByte, 0xF0);
    EXPECT_EQ(event->SysexSize, event->SysexData.size());
    sizes.push_back(event->SysexSize);
    joined.insert(joined.end(), event->SysexData.begin(), event->SysexData.end());
  }
  EXPECT_EQ(sizes, (std::vector<std::uint16_t>{16, 16, 8}));
  EXPECT_EQ(joined, message);
  EXPECT_EQ(driver.QueuedInputBuffers(), 4u) << "every buffer went back to the driver";
}

TEST_F(MidiInputTest, ErrorAndEmptyBuffersAreDeliveredAndQueuedAgain) {
  OpenStarted(16, 2);
  ASSERT_TRUE(driver.ReturnBuffer(Bytes{0xF0, 0x01, 0x02}, kMimLongError));
  ASSERT_TRUE(driver.ReturnBuffer(Bytes{}));
  const auto events = TakeAll();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]->SysexData, (Bytes{0xF0, 0x01, 0x02}));
  EXPECT_EQ(events[1]->StatusByte, 0xF0);
  EXPECT_EQ(events[1]->SysexSize, 0);
  EXPECT_TRUE(events[1]->SysexData.empty());
  EXPECT_EQ(driver.QueuedInputBuffers(), 2u);
}

TEST_F(MidiInputTest, OneNotificationPerStoredRecordFiresOnlyWhileRecordsWait) {
  OpenStarted();
  int calls = 0;
  std::size_t taken = 0;
  port.OnMidiInput = [&](TMidiInput& sender) {
    ++calls;
    taken += TakeAll().size();
    EXPECT_EQ(&sender, &port);
  };
  for (int i = 0; i < 3; ++i) {
    driver.DeliverShort(kNoteOn);
  }
  ASSERT_TRUE(gui.PumpUntil([&] { return taken == 3; }, kPatience));
  gui.PumpPending();
  EXPECT_EQ(calls, 1) << "the owner emptied the ring on the first call";

  calls = 0;
  port.OnMidiInput = [&](TMidiInput& sender) {
    ++calls;
    sender.TakeEvent();
  };
  for (int i = 0; i < 3; ++i) {
    driver.DeliverShort(kNoteOn);
  }
  ASSERT_TRUE(gui.PumpUntil([&] { return calls == 3; }, kPatience));
  EXPECT_EQ(port.PendingCount(), 0);
}

TEST_F(MidiInputTest, FullRingLosesTheFifthRecordAndNotifiesOnce) {
  port.SetCapacity(4);
  OpenStarted();
  int overflows = 0;
  port.OnOverflow = [&](TMidiInput&) { ++overflows; };
  for (std::uint32_t i = 0; i < 5; ++i) {
    driver.DeliverShort(0x90 | (i << 8));
  }
  ASSERT_TRUE(gui.PumpUntil([&] { return overflows > 0; }, kPatience));
  gui.PumpPending();
  EXPECT_EQ(overflows, 1);
  const auto events = TakeAll();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[3]->DataByte1, 3) << "the oldest four were kept";
}

TEST_F(MidiInputTest, SysexLostToAFullRingGoesBackToThePool) {
  port.SetCapacity(1);
  OpenStarted(16, 3);
  int overflows = 0;
  port.OnOverflow = [&](TMidiInput&) { ++overflows; };
  driver.DeliverSysex(Sysex(10));
  driver.DeliverSysex(Sysex(10));
  EXPECT_EQ(driver.QueuedInputBuffers(), 1u);
  ASSERT_TRUE(gui.PumpUntil([&] { return overflows == 1; }, kPatience));
  EXPECT_EQ(driver.QueuedInputBuffers(), 2u) << "the lost record's buffer is queued again";
  TakeAll();
  EXPECT_EQ(driver.QueuedInputBuffers(), 3u);
}

TEST_F(MidiInputTest, ClosedPortShowsNothingAndLateNotificationsFireNothing) {
  OpenStarted();
  int notified = 0;
  port.OnMidiInput = [&](TMidiInput&) { ++notified; };
  driver.DeliverShort(kNoteOn);
  driver.DeliverSysex(Sysex(8));
  port.ClosePort();
  EXPECT_EQ(port.PendingCount(), 0);
  EXPECT_EQ(port.TakeEvent(), nullptr);
  gui.PumpPending();
  EXPECT_EQ(notified, 0);
  OpenStarted();
  EXPECT_EQ(port.PendingCount(), 0) << "closing discarded what was left";
}

TEST_F(MidiInputTest, CapacityIsCappedAndAChangeWhileOpenWaitsForTheNextOpen) {
  int overflows = 0;
  port.OnOverflow = [&](TMidiInput&) { ++overflows; };
  const auto overflowsAfter = [&](std::uint32_t delivered) {
    for (std::uint32_t i = 0; i < delivered; ++i) {
      driver.DeliverShort(kNoteOn);
    }
    gui.PumpPending();
    const int seen = overflows;
    overflows = 0;
    port.ClosePort();
    return seen;
  };
  port.SetCapacity(60000);
  OpenStarted();
  EXPECT_EQ(overflowsAfter(TMidiInput::kMaxCapacity + 1), 1);
  port.SetCapacity(4);
  OpenStarted();
  port.SetCapacity(8);
  EXPECT_EQ(overflowsAfter(8), 4);
  OpenStarted();
  EXPECT_EQ(overflowsAfter(8), 0);
}

TEST_F(MidiInputTest, ASecondOpenIsRefusedAndLeavesTheOpenDeviceItsBuffers) {
  OpenStarted(16, 2);
  port.OpenPort();
  EXPECT_EQ(port.Error(), kAllocated);
  EXPECT_EQ(port.State(), misOpen);
  EXPECT_EQ(driver.QueuedInputBuffers(), 2u);
  driver.DeliverSysex(Sysex(8));
  const auto event = port.TakeEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->SysexData, Sysex(8));
  port.ClosePort();
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
}

TEST_F(MidiInputTest, ReopenAfterARefusedCloseStartsWithAnEmptyRing) {
  OpenStarted(16, 2);
  driver.DeliverSysex(Sysex(8));
  driver.Fail(Call::InClose, kGeneralError);
  EXPECT_THROW(port.ClosePort(), EMidiInputError);
  driver.UnplugInput();
  port.SetDeviceID(1);
  OpenStarted(16, 2);
  EXPECT_EQ(port.PendingCount(), 0) << "records of freed buffers were kept";
  EXPECT_EQ(port.TakeEvent(), nullptr);
  driver.DeliverShort(kNoteOn);
  EXPECT_EQ(port.TakeEvent()->StatusByte, 0x90);
}

TEST_F(MidiInputTest, AHandlerMayDestroyItsPort) {
  auto owned = std::make_unique<TMidiInput>(gui, driver);
  owned->OpenPort();
  owned->StartInput();
  int calls = 0;
  owned->OnMidiInput = [&](TMidiInput&) {
    ++calls;
    owned.reset();
  };
  driver.DeliverShort(kNoteOn);
  driver.DeliverShort(kNoteOn);
  gui.PumpPending();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(driver.InputOpen());
}

TEST_F(MidiInputTest, ABufferThatCannotGoBackIsReportedOnceAndHoldsNothingUp) {
  OpenStarted(16, 2);
  driver.DeliverSysex(Sysex(8));
  driver.DeliverShort(kNoteOn);
  driver.Fail(Call::InAddBuffer, kNotReady, ScriptedDriver::kAlways);
  EXPECT_THROW(port.TakeEvent(), EMidiInputError);
  const auto sysex = port.TakeEvent();
  ASSERT_NE(sysex, nullptr);
  EXPECT_EQ(sysex->SysexData, Sysex(8));
  const auto note = port.TakeEvent();
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->StatusByte, 0x90);
  driver.ClearFailures();
  port.ClosePort();
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
}

TEST_F(MidiInputTest, FailedHandBackRaisesAndKeepsTheRecord) {
  OpenStarted(16, 2);
  driver.DeliverSysex(Sysex(8));
  driver.Fail(Call::InAddBuffer, kNotReady);
  EXPECT_THROW(port.TakeEvent(), EMidiInputError);
  EXPECT_EQ(port.Error(), kNotReady);
  EXPECT_EQ(port.PendingCount(), 1);
  const auto event = port.TakeEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->SysexData, Sysex(8));
}

TEST_F(MidiInputTest, StartAndStopActOnlyWhileOpenAndRaiseDriverErrors) {
  port.StartInput();
  port.StopInput();
  EXPECT_EQ(driver.CallCount(Call::InStart), 0);
  OpenStarted();
  EXPECT_TRUE(driver.InputStarted());
  driver.Fail(Call::InStop, kGeneralError);
  EXPECT_THROW(port.StopInput(), EMidiInputError);
  EXPECT_EQ(port.State(), misOpen);
}

TEST_F(MidiInputTest, RefusedResetStillLeavesThePortClosed) {
  OpenStarted();
  driver.Fail(Call::InReset, kGeneralError);
  EXPECT_THROW(port.ClosePort(), EMidiInputError);
  EXPECT_EQ(port.State(), misClosed);
}

TEST_F(MidiInputTest, DestroyingAfterARefusedCloseGivesTheDeviceBackItsBuffers) {
  {
    TMidiInput refused(gui, driver);
    refused.SetSysexBufferCount(3);
    refused.OpenPort();
    ASSERT_EQ(refused.State(), misOpen);
    driver.Fail(Call::InReset, kGeneralError);
    EXPECT_THROW(refused.ClosePort(), EMidiInputError);
  }
  EXPECT_FALSE(driver.InputOpen()) << "the driver would call a freed callback record";
  EXPECT_EQ(driver.QueuedInputBuffers(), 0u) << "the driver would fill freed buffers";
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
}

TEST_F(MidiInputTest, AHandlerThatRaisesKeepsTheRemainingNotifications) {
  OpenStarted();
  int calls = 0;
  port.OnMidiInput = [&](TMidiInput& sender) {
    ++calls;
    sender.TakeEvent();
    if (calls == 1) {
      throw EMidiInputError("raised by the owner");
    }
  };
  for (int i = 0; i < 3; ++i) {
    driver.DeliverShort(kNoteOn);
  }
  EXPECT_THROW(gui.PumpOnce(kPatience), EMidiInputError);
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(gui.PumpUntil([&] { return calls == 3; }, kPatience))
      << "one notification per stored record, also after a handler raised";
  EXPECT_EQ(port.PendingCount(), 0);
}

}  // namespace
}  // namespace morvane::midi
