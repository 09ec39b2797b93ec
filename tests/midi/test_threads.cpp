#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "midi/backends/scripted/scripted_driver.h"
#include "midi/event_ring.h"
#include "midi/gui_thread.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

namespace morvane::midi {
namespace {

constexpr std::chrono::milliseconds kPatience{20000};
constexpr std::chrono::milliseconds kPumpStep{10};

TEST(EventRingThreads, ConsumerSeesEveryRecordOnceInOrder) {
  constexpr std::uint32_t kRecords = 200000;
  EventRing ring(64);
  std::thread producer([&] {
    for (std::uint32_t n = 0; n < kRecords; ++n) {
      while (!ring.Push({n, n * 3, nullptr})) {
        std::this_thread::yield();
      }
    }
  });
  std::uint32_t expected = 0;
  while (expected < kRecords) {
    RingRecord record;
    if (!ring.Peek(record)) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(record.timeStamp, expected);
    ASSERT_EQ(record.shortMessage, expected * 3);
    ring.Pop();
    ++expected;
  }
  producer.join();
  EXPECT_EQ(ring.Count(), 0);
}

TEST(PortThreads, RecordsFromTheDriverThreadReachTheOwnerOncePerRecord) {
  ScriptedDriver driver{{"Out"}, {"In"}};
  QueuedGuiThread gui;
  TMidiInput input(gui, driver);
  input.SetCapacity(16);
  // A buffer for every SysEx, so that each one makes a record even while all the
  // earlier ones wait in the ring or for their overflow to be handled.
  constexpr std::uint16_t kBuffers = 200;
  input.SetSysexBufferSize(16);
  input.SetSysexBufferCount(kBuffers);
  input.OpenPort();
  ASSERT_EQ(input.State(), misOpen);
  input.StartInput();

  std::size_t stored = 0;
  std::size_t overflows = 0;
  std::vector<int> notes;
  input.OnMidiInput = [&](TMidiInput& sender) {
    if (auto event = sender.TakeEvent()) {
      ++stored;
      if (event->StatusByte == 0x90) {
        notes.push_back(event->DataByte1 | (event->DataByte2 << 7));
      }
    }
  };
  input.OnOverflow = [&](TMidiInput&) { ++overflows; };

  constexpr int kMessages = 2000;
  constexpr std::size_t kRecords = 2200;
  std::atomic<bool> finished{false};
  std::size_t sent = 0;
  std::thread feeder([&] {
    const std::vector<std::uint8_t> sysex{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xF7};
    for (int i = 0; i < kMessages; ++i) {
      driver.DeliverShort(0x90 | ((i & 0x7F) << 8) | ((i >> 7) << 16));
      ++sent;
      if (i % 10 == 0) {
        sent += driver.DeliverSysex(sysex);
      }
    }
    finished = true;
  });
  // The last wake-up may come before the feeder says it has finished.
  while (!finished.load()) {
    gui.PumpOnce(kPumpStep);
  }
  feeder.join();
  gui.PumpPending();
  EXPECT_EQ(input.PendingCount(), 0);
  for (std::size_t i = 1; i < notes.size(); ++i) {
    EXPECT_LT(notes[i - 1], notes[i]) << "notes arrive once each, in order";
  }
  ASSERT_EQ(sent, kRecords);
  EXPECT_EQ(stored + overflows, kRecords) << "every record is either taken or reported lost";
  EXPECT_EQ(driver.QueuedInputBuffers() + input.PendingCount(), kBuffers)
      << "no buffer is lost to overflows (" << overflows << ")";
  input.ClosePort();
}

TEST(PortThreads, CompletionsFromTheDriverThreadReleaseEveryBuffer) {
  ScriptedDriver driver{{"Out"}, {"In"}};
  driver.SetAutoComplete(true);
  QueuedGuiThread gui;
  TMidiOutput output(gui, driver);
  ASSERT_TRUE(output.OpenPort());
  int done = 0;
  output.Onmidioutput = [&](TMidiOutput&) { ++done; };
  constexpr int kStrings = 500;
  const std::vector<std::uint8_t> sysex{0xF0, 0x10, 0x20, 0xF7};
  for (int i = 0; i < kStrings; ++i) {
    output.SendLong(sysex);
    if (i % 50 == 0) {
      gui.PumpPending();
    }
  }
  ASSERT_TRUE(gui.PumpUntil([&] { return done == kStrings; }, kPatience));
  EXPECT_EQ(driver.PreparedHeaders(), 0u);
  EXPECT_TRUE(output.ClosePort());
}

}  // namespace
}  // namespace morvane::midi
