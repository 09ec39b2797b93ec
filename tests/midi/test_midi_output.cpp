#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "midi/backends/scripted/scripted_driver.h"
#include "midi/gui_thread.h"
#include "midi/midi_output.h"
#include "midi/my_midi_hdr.h"

namespace morvane::midi {
namespace {

using Call = ScriptedDriver::Call;
constexpr std::chrono::milliseconds kPatience{5000};

class MidiOutputTest : public ::testing::Test {
 protected:
  ScriptedDriver driver{{"Alpha", "Beta", "Gamma"}, {"In A"}};
  QueuedGuiThread gui;
};

TEST_F(MidiOutputTest, DeviceIdAcceptsTheMapperAndRefusesTheCount) {
  TMidiOutput port(gui, driver);
  port.SetDeviceID(kMidiMapper);
  EXPECT_EQ(port.ProductName(), "Scripted Mapper");
  port.SetDeviceID(2);
  EXPECT_EQ(port.ProductName(), "Gamma");
  try {
    port.SetDeviceID(3);
    FAIL() << "id equal to the count was accepted";
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "Invalid device ID");
  }
  EXPECT_THROW(port.SetDeviceID(-2), EmidioutputError);
  EXPECT_EQ(port.DeviceID(), 2);
}

TEST_F(MidiOutputTest, DeviceCountIsReadOnceAtCreationButIdsAreCheckedAfresh) {
  TMidiOutput port(gui, driver);
  driver.SetDeviceCounts(5, 1);
  EXPECT_EQ(port.DeviceCount(), 3);
  port.SetDeviceID(4);
  EXPECT_EQ(port.ProductName(), "Device 4");
}

TEST_F(MidiOutputTest, CapabilityFailureKeepsTheNewIdAndTheOldName) {
  TMidiOutput port(gui, driver);
  port.SetDeviceID(1);
  driver.Fail(Call::OutGetDevCaps, kNoMemory);
  EXPECT_THROW(port.SetDeviceID(2), EmidioutputError);
  EXPECT_EQ(port.DeviceID(), 2);
  EXPECT_EQ(port.ProductName(), "Beta");
  EXPECT_EQ(port.LastResult(), kNoMemory);
}

TEST_F(MidiOutputTest, ProductNameSearchStartsAtTheMapperAndMatchesExactly) {
  TMidiOutput port(gui, driver);
  port.SetProductName("Scripted Mapper");
  EXPECT_EQ(port.DeviceID(), kMidiMapper);
  port.SetProductName("Beta");
  EXPECT_EQ(port.DeviceID(), 1);
  try {
    port.SetProductName("beta");
    FAIL() << "a name differing in case was accepted";
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "MIDI output Device beta not installed");
  }
  EXPECT_EQ(port.DeviceID(), 1);
  EXPECT_EQ(port.ProductName(), "Beta");
  ScriptedDriver shared{{"Alpha", "Scripted Mapper"}, {}};
  TMidiOutput sharing(gui, shared);
  sharing.SetProductName("Scripted Mapper");
  EXPECT_EQ(sharing.DeviceID(), kMidiMapper) << "the mapper comes before the device of its name";
}

TEST_F(MidiOutputTest, SettingsAreRefusedWhileOpen) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  EXPECT_THROW(
      {
        try {
          port.SetDeviceID(1);
        } catch (const EmidioutputError& error) {
          EXPECT_STREQ(error.what(), "Change to DeviceID while device was open");
          throw;
        }
      },
      EmidioutputError);
  EXPECT_THROW(
      {
        try {
          port.SetProductName("Beta");
        } catch (const EmidioutputError& error) {
          EXPECT_STREQ(error.what(), "Change to ProductName while device was open");
          throw;
        }
      },
      EmidioutputError);
  EXPECT_EQ(port.DeviceID(), 0);
}

TEST_F(MidiOutputTest, OpenAndCloseFollowTheStateMachine) {
  TMidiOutput port(gui, driver);
  EXPECT_FALSE(port.ClosePort()) << "closing a closed port";
  EXPECT_EQ(port.State(), mosClosed);
  ASSERT_TRUE(port.OpenPort());
  EXPECT_EQ(port.State(), mosOpen);
  EXPECT_TRUE(driver.OutputOpen());
  EXPECT_TRUE(port.ClosePort());
  EXPECT_EQ(port.State(), mosClosed);
  EXPECT_FALSE(driver.OutputOpen());
  EXPECT_TRUE(port.OpenPort()) << "a port opens again after a close";
}

TEST_F(MidiOutputTest, OpeningADeviceInUseReturnsFalseAndRaisesNothing) {
  TMidiOutput first(gui, driver);
  TMidiOutput second(gui, driver);
  ASSERT_TRUE(first.OpenPort());
  bool opened = true;
  EXPECT_NO_THROW(opened = second.OpenPort());
  EXPECT_FALSE(opened);
  EXPECT_EQ(second.State(), mosClosed);
  EXPECT_EQ(second.LastResult(), kAllocated);
  driver.Fail(Call::OutOpen, kNoDriver);
  EXPECT_FALSE(second.OpenPort());
  EXPECT_EQ(second.LastResult(), kNoDriver);
}

TEST_F(MidiOutputTest, CloseRefusedWhileAStringIsQueuedLeavesThePortOpen) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port.SendLong(sysex);
  EXPECT_THROW(port.ClosePort(), EmidioutputError);
  EXPECT_EQ(port.State(), mosOpen);
  EXPECT_EQ(port.LastResult(), kStillPlaying);
  driver.CompleteLong();
  ASSERT_TRUE(gui.PumpUntil([&] { return port.PendingLongCount() == 0; }, kPatience));
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(MidiOutputTest, SendShortPacksStatusThenDataBytes) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  port.SendShort(0x90, 60, 100);
  ASSERT_EQ(driver.ShortMessages().size(), 1u);
  const std::uint32_t message = driver.ShortMessages()[0];
  EXPECT_EQ(message & 0xFF, 0x90u);
  EXPECT_EQ((message >> 8) & 0xFF, 0x3Cu);
  EXPECT_EQ((message >> 16) & 0xFF, 0x64u);
  EXPECT_EQ(message >> 24, 0u);
}

TEST_F(MidiOutputTest, SendingOnAClosedPortRaisesTheDriverText) {
  TMidiOutput port(gui, driver);
  try {
    port.SendShort(0x90, 60, 100);
    FAIL();
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "The specified device handle is invalid.");
  }
  const std::vector<std::uint8_t> sysex{0xF0, 0xF7};
  EXPECT_THROW(port.SendLong(sysex), EmidioutputError);
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
}

TEST_F(MidiOutputTest, SendEventOnAClosedPortRaisesBeforeAnythingIsSent) {
  TMidiOutput port(gui, driver);
  TMyMidiEvent event;
  event.StatusByte = 0x90;
  try {
    port.SendEvent(event);
    FAIL();
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "MIDI Output device not open");
  }
  EXPECT_EQ(driver.CallCount(Call::OutShortMsg), 0);
}

TEST_F(MidiOutputTest, SendEventChoosesLongOrShortByItsData) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  TMyMidiEvent note{0x80, 61, 0, 0, 0, {}};
  port.SendEvent(note);
  TMyMidiEvent sysex{0xF0, 0, 0, 0, 3, {0xF0, 0x22, 0xF7}};
  port.SendEvent(sysex);
  EXPECT_EQ(driver.ShortMessages(), std::vector<std::uint32_t>{0x3D80});
  ASSERT_EQ(driver.LongMessages().size(), 1u);
  EXPECT_EQ(driver.LongMessages()[0], sysex.SysexData);
}

TEST_F(MidiOutputTest, LongStringIsReleasedAndNotifiedOnceOnlyAfterTheDriverIsDone) {
  TMidiOutput port(gui, driver);
  int notified = 0;
  port.Onmidioutput = [&](TMidiOutput& sender) {
    EXPECT_EQ(&sender, &port);
    ++notified;
  };
  ASSERT_TRUE(port.OpenPort());
  std::vector<std::uint8_t> dump(1605, 0x11);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  port.SendLong(dump);
  EXPECT_EQ(driver.LongMessages().at(0), dump) << "the driver has its own copy";
  gui.PumpPending();
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(driver.PreparedHeaders(), 1u);
  driver.CompleteLong();
  ASSERT_TRUE(gui.PumpUntil([&] { return notified > 0; }, kPatience));
  gui.PumpPending();
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(driver.PreparedHeaders(), 0u) << "the buffer was unprepared";
  EXPECT_EQ(port.PendingLongCount(), 0u);
}

TEST_F(MidiOutputTest, CompletionsArriveInTheDriversOrder) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  std::vector<std::size_t> releasedAfter;
  port.Onmidioutput = [&](TMidiOutput& sender) {
    releasedAfter.push_back(sender.PendingLongCount());
  };
  for (std::uint8_t i = 0; i < 5; ++i) {
    const std::vector<std::uint8_t> sysex{0xF0, i, 0xF7};
    port.SendLong(sysex);
  }
  driver.CompleteLong(5);
  ASSERT_TRUE(gui.PumpUntil([&] { return releasedAfter.size() == 5; }, kPatience));
  EXPECT_EQ(releasedAfter, (std::vector<std::size_t>{4, 3, 2, 1, 0}));
}

TEST_F(MidiOutputTest, CloseReleasesStringsDoneButNotYetDispatchedWithoutTheHandler) {
  TMidiOutput port(gui, driver);
  int notified = 0;
  port.Onmidioutput = [&](TMidiOutput&) { ++notified; };
  ASSERT_TRUE(port.OpenPort());
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port.SendLong(sysex);
  driver.CompleteLong();
  EXPECT_TRUE(port.ClosePort());
  EXPECT_EQ(notified, 0) << "the owner's handler ran inside ClosePort";
  EXPECT_EQ(port.PendingLongCount(), 0u);
  EXPECT_EQ(driver.PreparedHeaders(), 0u) << "unprepared on the device it was prepared on";
  gui.PumpPending();
  EXPECT_EQ(notified, 0);
}

TEST_F(MidiOutputTest, ANotificationThatRaisesLeavesTheLaterCompletionsToFollow) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  int notified = 0;
  port.Onmidioutput = [&](TMidiOutput&) {
    if (++notified == 1) {
      throw EmidioutputError("raised by the owner");
    }
  };
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  for (int i = 0; i < 3; ++i) {
    port.SendLong(sysex);
  }
  driver.CompleteLong(3);
  EXPECT_THROW(gui.PumpOnce(kPatience), EmidioutputError);
  ASSERT_TRUE(gui.PumpUntil([&] { return notified == 3; }, kPatience));
  EXPECT_EQ(port.PendingLongCount(), 0u);
  EXPECT_EQ(driver.PreparedHeaders(), 0u) << "every buffer was released";
}

TEST_F(MidiOutputTest, FailedPrepareOrSendReleasesTheBuffer) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  driver.Fail(Call::OutPrepareHeader, kNoMemory);
  EXPECT_THROW(port.SendLong(sysex), EmidioutputError);
  driver.Fail(Call::OutLongMsg, kNotReady);
  try {
    port.SendLong(sysex);
    FAIL();
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "The MIDI port is busy.");
  }
  EXPECT_EQ(port.LastResult(), kNotReady);
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_EQ(port.PendingLongCount(), 0u);
  EXPECT_TRUE(port.ClosePort()) << "nothing is left queued";
}

TEST_F(MidiOutputTest, EmptyStringRaisesAndSendsNothing) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  EXPECT_THROW(port.SendLong(std::span<const std::uint8_t>{}), EmidioutputError);
  EXPECT_EQ(driver.CallCount(Call::OutPrepareHeader), 0);
  EXPECT_EQ(driver.CallCount(Call::OutLongMsg), 0);
}

TEST_F(MidiOutputTest, ResultWithoutTextGivesTheOutOfRangeText) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  driver.Fail(Call::OutShortMsg, 999);
  try {
    port.SendShort(0x90, 1, 1);
    FAIL();
  } catch (const EmidioutputError& error) {
    EXPECT_STREQ(error.what(), "Specified error number is out of range");
  }
  EXPECT_EQ(port.LastResult(), 999u);
}

TEST_F(MidiOutputTest, ASecondOpenIsRefusedAndLeavesTheOpenDeviceItsRecord) {
  TMidiOutput port(gui, driver);
  int notified = 0;
  port.Onmidioutput = [&](TMidiOutput&) { ++notified; };
  ASSERT_TRUE(port.OpenPort());
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port.SendLong(sysex);
  EXPECT_FALSE(port.OpenPort());
  EXPECT_EQ(port.LastResult(), kAllocated);
  EXPECT_EQ(port.State(), mosOpen);
  driver.CompleteLong();
  ASSERT_TRUE(gui.PumpUntil([&] { return notified == 1; }, kPatience));
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_TRUE(port.ClosePort());
}

TEST_F(MidiOutputTest, AnEmptySysexEventRaisesAndSendsNothing) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  EXPECT_THROW(port.SendEvent(TMyMidiEvent{0xF0, 0, 0, 0, 0, {}}), EmidioutputError);
  EXPECT_TRUE(driver.ShortMessages().empty());
  EXPECT_TRUE(driver.LongMessages().empty());
}

TEST_F(MidiOutputTest, AStringDoneButNotSentReportsTheDriverText) {
  TMidiOutput port(gui, driver);
  ASSERT_TRUE(port.OpenPort());
  int notified = 0;
  std::vector<std::string> failures;
  port.Onmidioutput = [&](TMidiOutput&) { ++notified; };
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port.SendLong(sysex);
  driver.CompleteLong(1, kNotReady);
  try {
    gui.PumpOnce(kPatience);
    FAIL() << "a lost string looked sent";
  } catch (const EmidioutputError& error) {
    std::string text;
    driver.OutGetErrorText(kNotReady, text);
    EXPECT_EQ(error.what(), text);
  }
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(port.LastResult(), kNotReady);
  port.OnSendFailed = [&](const std::string& text) { failures.push_back(text); };
  port.SendLong(sysex);
  port.SendLong(sysex);
  driver.CompleteLong(1, kNotReady);
  driver.CompleteLong(1);
  ASSERT_TRUE(gui.PumpUntil([&] { return notified == 3; }, kPatience));
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
}

TEST_F(MidiOutputTest, AHandlerMayDestroyItsPort) {
  auto port = std::make_unique<TMidiOutput>(gui, driver);
  ASSERT_TRUE(port->OpenPort());
  int notified = 0;
  port->Onmidioutput = [&](TMidiOutput&) {
    ++notified;
    port.reset();
  };
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port->SendLong(sysex);
  port->SendLong(sysex);
  driver.CompleteLong(2);
  gui.PumpPending();
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(port, nullptr);
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_FALSE(driver.OutputOpen());
}

// What a port on a device that queues short messages reports, in order: each message once,
// sent or not sent (a short one named by its bytes), failures also through OnSendFailed.
class QueuedShortMessagesTest : public MidiOutputTest {
 protected:
  void SetUp() override {
    driver.SetQueuesShortMessages(true);
    port.SetDeviceID(0);
    port.OnMessageSent = [this](std::span<const std::uint8_t> bytes) {
      taps.push_back("sent " + Hex(bytes));
    };
    port.OnMessageRefused = [this](std::span<const std::uint8_t> bytes, const std::string& text) {
      taps.push_back("refused " + Hex(bytes) + ": " + text);
    };
    port.OnSendFailed = [this](const std::string& text) { reports.push_back(text); };
    port.OnDeviceLost = [this](const std::string& text) { reports.push_back("lost: " + text); };
    ASSERT_TRUE(port.OpenPort());
  }
  static std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string hex;
    for (const std::uint8_t byte : bytes) {
      if (!hex.empty()) {
        hex += ' ';
      }
      hex += std::to_string(byte);
    }
    return hex;
  }
  std::string Text(MmResult code) {
    std::string text;
    driver.OutGetErrorText(code, text);
    return text;
  }

  TMidiOutput port{gui, driver};
  std::vector<std::string> taps;
  std::vector<std::string> reports;
};

TEST_F(QueuedShortMessagesTest, EachMessageIsReportedOnceInOrderAndAFailedNoteIsNamed) {
  const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
  port.SendShort(0x90, 60, 100);
  port.SendLong(sysex);
  port.SendShort(0xC0, 5, 0);
  EXPECT_TRUE(driver.ShortMessages().empty()) << "short messages travel as buffers";
  EXPECT_EQ(port.PendingShortCount(), 2u);
  EXPECT_EQ(port.PendingLongCount(), 1u);
  EXPECT_TRUE(taps.empty()) << "nothing is listed before the driver tells";
  driver.CompleteLong(1);
  driver.CompleteLong(1, kNotReady);
  driver.CompleteLong(1, kNotReady);
  ASSERT_TRUE(gui.PumpUntil([&] { return taps.size() == 3; }, kPatience));
  const std::string busy = Text(kNotReady);
  EXPECT_EQ(taps,
            (std::vector<std::string>{"sent 144 60 100", "refused 240 1 247: " + busy,
                                      "refused 192 5: MIDI message C0 05 was not sent: " + busy}));
  EXPECT_EQ(reports, (std::vector<std::string>{busy, "MIDI message C0 05 was not sent: " + busy}));
  EXPECT_EQ(port.PendingShortCount() + port.PendingLongCount(), 0u);

  // Refused at once: raised, and listed as refused, never as sent.
  taps.clear();
  driver.Fail(Call::OutLongMsg, kNotReady);
  EXPECT_THROW(port.SendShort(0x80, 60, 0), EmidioutputError);
  EXPECT_EQ(taps, std::vector<std::string>{"refused 128 60 0: " + busy});
}

TEST_F(QueuedShortMessagesTest, AFailureNotYetDispatchedAtTheCloseIsReportedAfterIt) {
  port.SendShort(0x90, 60, 100);
  driver.CompleteLong(1, kNotReady);
  EXPECT_TRUE(port.ClosePort());
  EXPECT_EQ(reports,
            std::vector<std::string>{"MIDI message 90 3C 64 was not sent: " + Text(kNotReady)});
  EXPECT_EQ(port.State(), mosClosed);
  gui.PumpPending();
  EXPECT_EQ(reports.size(), 1u) << "reported once";
}

TEST_F(QueuedShortMessagesTest, ADeviceThatGoesAwayFailsWhatItHeldAndClosesThePort) {
  port.SendShort(0x90, 60, 100);
  port.SendLong(std::vector<std::uint8_t>{0xF0, 0x02, 0xF7});
  driver.LoseDevices(kNoDriver);
  ASSERT_TRUE(gui.PumpUntil([&] { return reports.size() == 3; }, kPatience));
  const std::string gone = Text(kNoDriver);
  EXPECT_EQ(reports, (std::vector<std::string>{"MIDI message 90 3C 64 was not sent: " + gone, gone,
                                               "lost: " + gone}));
  EXPECT_EQ(port.State(), mosClosed);
  EXPECT_FALSE(driver.OutputOpen());
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  // A loss told by a device that the owner closed and reopened before it was dispatched says
  // nothing about the device open now.
  ASSERT_TRUE(port.OpenPort());
  driver.LoseDevices(kNoDriver);
  port.ClosePort();
  ASSERT_TRUE(port.OpenPort());
  gui.PumpPending();
  EXPECT_EQ(port.State(), mosOpen);
  EXPECT_EQ(reports.size(), 3u);
}

TEST(MidiHeaderTest, WhatADriverAttachedIsFreedWithTheHeader) {
  static int released = 0;
  {
    TMyMidiHdr buffer(16);
    buffer.Header->driverData = &released;
    buffer.Header->releaseDriverData = [](void* data) { ++*static_cast<int*>(data); };
  }
  EXPECT_EQ(released, 1) << "a header never unprepared kept the driver's data";
}

TEST_F(MidiOutputTest, DestroyingAnOpenPortWithPendingStringsFreesEverything) {
  {
    TMidiOutput port(gui, driver);
    ASSERT_TRUE(port.OpenPort());
    const std::vector<std::uint8_t> sysex{0xF0, 0x01, 0xF7};
    port.SendLong(sysex);
    port.SendLong(sysex);
  }
  EXPECT_FALSE(driver.OutputOpen());
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  gui.PumpPending();
}

}  // namespace
}  // namespace morvane::midi
