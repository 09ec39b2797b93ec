#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "jack_test_support.h"
#include "midi/backends/jack/jack_backend.h"
#include "midi/gui_thread.h"
#include "midi/midi_errors.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"

namespace morvane::midi {
namespace {

using namespace jack_test;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kEditorClient = "morvane-test-editor";
constexpr const char* kListenerClient = "morvane-test-listener";
constexpr std::size_t kDumpMessages = 1 + preset::kPacketCount;

// A dump as the editor's Send builds it, named so that each one's bytes differ.
Bytes NamedDump(int number) {
  preset::tMrv image;
  image.LoadPresetFromBytes(preset::BuildInitialPreset());
  image.WriteName("Burst " + std::to_string(number));
  return image.BuildDump();
}

Bytes Sysex(std::size_t length, std::uint8_t fill) {
  Bytes bytes(length, fill);
  bytes.front() = preset::kSysexStart;
  bytes.back() = preset::kSysexEnd;
  return bytes;
}

// The messages of a string of SysEx messages, each up to its F7.
std::vector<Bytes> SplitMessages(const Bytes& bytes) {
  std::vector<Bytes> messages(1);
  for (const std::uint8_t byte : bytes) {
    messages.back().push_back(byte);
    if (byte == preset::kSysexEnd) {
      messages.emplace_back();
    }
  }
  messages.pop_back();
  return messages;
}

// What one event can carry in an empty MIDI port buffer, as a client of the test's own sees it
// on the server; 0 when it could not be told.
std::size_t LargestEventOnTheServer() {
  struct Probe {
    jack_port_t* port = nullptr;
    std::atomic<std::size_t> largest{0};
  };
  Probe probe;
  jack_client_t* client = jack_client_open("morvane-test-probe", JackNoStartServer, nullptr);
  if (client == nullptr) {
    return 0;
  }
  probe.port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(
      client,
      [](jack_nframes_t frames, void* argument) {
        auto& self = *static_cast<Probe*>(argument);
        void* buffer = jack_port_get_buffer(self.port, frames);
        jack_midi_clear_buffer(buffer);
        self.largest.store(jack_midi_max_event_size(buffer));
        return 0;
      },
      &probe);
  if (probe.port != nullptr && jack_activate(client) == 0) {
    WaitFor([&] { return probe.largest.load() != 0; });
    jack_deactivate(client);
  }
  jack_client_close(client);
  return probe.largest.load();
}

// An output device of the JACK backend driven as the output port drives it: each string in a
// buffer of its own, handed over with OutLongMsg. What the driver reports done is recorded on
// its thread, in order, without locks.
class DriverOutput {
 public:
  static constexpr std::size_t kMostBuffers = 4096;

  // Opens target once the backend lists it: it lists nothing while a call to a server slowed
  // by a loaded machine is still overdue.
  DriverOutput(JackBackend& system, const std::string& target) : system_(system) {
    WaitFor([&] {
      for (std::uint32_t id = 0; id < system.OutGetNumDevs(); ++id) {
        MidiOutCaps caps;
        if (system.OutGetDevCaps(static_cast<std::int32_t>(id), caps) == kNoError &&
            caps.productName == target) {
          opened_ = system.OutOpen(device_, static_cast<std::int32_t>(id), &Callback,
                                   reinterpret_cast<std::uintptr_t>(this)) == kNoError;
          return opened_;
        }
      }
      return false;
    });
  }
  ~DriverOutput() {
    if (opened_) {
      system_.OutReset(device_);
      system_.OutClose(device_);
    }
  }
  DriverOutput(const DriverOutput&) = delete;
  DriverOutput& operator=(const DriverOutput&) = delete;

  bool Opened() const { return opened_; }

  // The driver's answer: kNoError once queued, else why it was refused at once.
  MmResult Send(const Bytes& bytes) {
    auto& buffer = *buffers_.emplace_back(std::make_unique<Buffer>(bytes));
    system_.OutPrepareHeader(device_, buffer.header);
    const MmResult result = system_.OutLongMsg(device_, buffer.header);
    if (result == kNoError) {
      ++queued_;
    }
    return result;
  }
  MmResult Close() {
    opened_ = system_.OutClose(device_) != kNoError;
    return opened_ ? kStillPlaying : kNoError;
  }
  MmResult Reset() { return system_.OutReset(device_); }

  // Every buffer queued has been reported done.
  bool AllReported() {
    return WaitFor([&] { return doneCount_.load() >= queued_; });
  }
  // The strings reported done, in the order the driver reported them, with their results.
  std::vector<std::pair<Bytes, MmResult>> Reports() const {
    std::vector<std::pair<Bytes, MmResult>> reports;
    for (std::size_t i = 0; i < std::min(doneCount_.load(), kMostBuffers); ++i) {
      const MidiHeader* header = done_[i].load();
      reports.emplace_back(Bytes(header->lpData, header->lpData + header->dwBufferLength),
                           header->dwResult);
    }
    return reports;
  }
  std::string Text(MmResult code) {
    std::string text;
    system_.OutGetErrorText(code, text);
    return text;
  }

 private:
  struct Buffer {
    explicit Buffer(Bytes data) : bytes(std::move(data)) {
      header.lpData = bytes.data();
      header.dwBufferLength = static_cast<std::uint32_t>(bytes.size());
    }
    Bytes bytes;
    MidiHeader header;
  };

  static void Callback(DeviceHandle, std::uint32_t message, std::uintptr_t instance,
                       std::uintptr_t param1, std::uintptr_t) {
    if (message != kMomDone) {
      return;
    }
    auto& self = *reinterpret_cast<DriverOutput*>(instance);
    const std::size_t index = self.reserved_.fetch_add(1);
    if (index < kMostBuffers) {
      self.done_[index].store(reinterpret_cast<MidiHeader*>(param1));
    }
    self.doneCount_.fetch_add(1);
  }

  JackBackend& system_;
  DeviceHandle device_ = kNoDevice;
  bool opened_ = false;
  std::deque<std::unique_ptr<Buffer>> buffers_;
  std::size_t queued_ = 0;
  std::array<std::atomic<MidiHeader*>, kMostBuffers> done_{};
  std::atomic<std::size_t> reserved_{0};
  std::atomic<std::size_t> doneCount_{0};
};

// A port of another client that hears what the output writes, every byte in order. Made once
// the server has taken the client: until then its backend lists no port.
struct Listener {
  Listener() {
    WaitFor([&] {
      try {
        input = std::make_unique<TMidiInput>(gui, system);
      } catch (const EMidiInputError&) {
        return false;
      }
      input->SetCapacity(TMidiInput::kMaxCapacity);
      input->SetSysexBufferSize(kBufferSize);
      input->SetSysexBufferCount(kBuffers);
      input->SetSysexOnly(true);
      input->OnMidiInput = [this](TMidiInput& sender) {
        while (sender.PendingCount() != 0) {
          const auto event = sender.TakeEvent();
          heard.insert(heard.end(), event->SysexData.begin(), event->SysexData.end());
        }
      };
      input->OpenPort();
      return input->State() == misOpen;
    });
    if (Opened()) {
      input->StartInput();
    }
  }
  bool Opened() const { return input && input->State() == misOpen; }

  // Enough buffers for every message the output writes in a few cycles.
  static constexpr std::uint16_t kBufferSize = 512;
  static constexpr std::uint16_t kBuffers = 2048;

  JackBackend system{kListenerClient, "in"};
  QueuedGuiThread gui;
  std::unique_ptr<TMidiInput> input;
  Bytes heard;
};

enum class Then { Wait, Close, Reset };

struct OutputCase {
  const char* name;
  // The strings sent, each in a buffer of its own, given the largest event the server carries.
  std::vector<Bytes> (*strings)(std::size_t largest);
  Then then;
  // The text every string not sent is reported with; null when all must go out, in order.
  const char* notSent;
};

std::ostream& operator<<(std::ostream& out, const OutputCase& test) {
  return out << test.name;
}

// More dumps than go out while a close waits for the server to take them.
constexpr int kPileOfDumps = 3000;
// More dumps than one cycle's buffer carries.
constexpr int kBurstOfDumps = 64;

std::vector<Bytes> Dumps(int count) {
  std::vector<Bytes> dumps;
  const Bytes dump = NamedDump(0);
  for (int number = 0; number < count; ++number) {
    dumps.push_back(number < kBurstOfDumps ? NamedDump(number) : dump);
  }
  return dumps;
}

class JackOutputStrings : public ::testing::TestWithParam<OutputCase> {};

// Each row on a server of its own: an output of the backend on a listener's port, the strings
// sent at once, then waited for, closed or reset. Every string is reported exactly once; those
// sent come before those not sent, in the order they were handed over.
TEST_P(JackOutputStrings, AreSentInOrderOrRefusedWithWords) {
  if (!JackInstalled()) {
    GTEST_SKIP() << "jackd is not installed";
  }
  const OutputCase& test = GetParam();
  UseServer(UniqueName("morvane-output", ::testing::UnitTest::GetInstance()->random_seed()));
  const auto jack = JackServer::Start();
  ASSERT_NE(jack, nullptr) << "the JACK server did not start within 10 s";
  const std::size_t largest = LargestEventOnTheServer();
  ASSERT_NE(largest, 0u) << "no cycle of a probe client showed the largest event";
  Listener listener;
  ASSERT_TRUE(listener.Opened()) << "the listener's port did not open";
  JackBackend system(kEditorClient);
  DriverOutput output(system, std::string(kListenerClient) + ":in");
  ASSERT_TRUE(output.Opened()) << "the output did not open on the listener's port";

  // Once a cycle has carried a string, the backend knows what an event carries and refuses a
  // longer one at once.
  const Bytes first = Sysex(3, 0x00);
  ASSERT_EQ(output.Send(first), kNoError);
  ASSERT_TRUE(output.AllReported()) << "the first string was not reported";
  ASSERT_TRUE(listener.gui.PumpUntil([&] { return listener.heard == first; }, kPatience))
      << "the listener did not hear the first string";
  listener.heard.clear();
  const std::size_t before = output.Reports().size();

  const std::vector<Bytes> strings = test.strings(largest);
  std::vector<std::pair<Bytes, MmResult>> refusedAtOnce;
  Bytes queuedBytes;
  for (const Bytes& bytes : strings) {
    if (const MmResult refused = output.Send(bytes)) {
      refusedAtOnce.emplace_back(bytes, refused);
    } else {
      queuedBytes.insert(queuedBytes.end(), bytes.begin(), bytes.end());
    }
  }
  if (test.then == Then::Close) {
    ASSERT_EQ(output.Close(), kNoError);
  } else if (test.then == Then::Reset) {
    ASSERT_EQ(output.Reset(), kNoError);
  }
  ASSERT_TRUE(output.AllReported()) << "not every string queued was reported done";

  auto reports = output.Reports();
  reports.erase(reports.begin(), reports.begin() + static_cast<std::ptrdiff_t>(before));
  reports.insert(reports.end(), refusedAtOnce.begin(), refusedAtOnce.end());
  ASSERT_EQ(reports.size(), strings.size());
  std::size_t sent = 0;
  std::size_t notSent = 0;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const auto& [bytes, result] = reports[i];
    if (result == kNoError) {
      ASSERT_EQ(notSent, 0u) << "string " << i << " was sent after one that was not";
      ASSERT_EQ(bytes, strings[sent]) << "string " << i << " was sent out of order";
      ++sent;
      continue;
    }
    ++notSent;
    ASSERT_NE(test.notSent, nullptr) << "string " << i << " was not sent: " << output.Text(result);
    EXPECT_EQ(output.Text(result), test.notSent) << "string " << i;
  }
  if (test.notSent == nullptr) {
    EXPECT_TRUE(listener.gui.PumpUntil([&] { return listener.heard.size() >= queuedBytes.size(); },
                                       kPatience))
        << "the listener heard " << listener.heard.size() << " of " << queuedBytes.size()
        << " bytes";
    EXPECT_EQ(listener.heard, queuedBytes) << "the listener heard other bytes";
  } else {
    EXPECT_GT(notSent, 0u) << "every string went out: the row does not reach what it tests";
  }
  if (test.then == Then::Wait && test.notSent != nullptr) {
    // A cycle has shown what an event carries: a longer string is refused as it is handed over.
    EXPECT_EQ(refusedAtOnce.size(), strings.size()) << "a string was refused only in a cycle";
  }
  if (test.then == Then::Reset) {
    const Bytes after = NamedDump(1);
    ASSERT_EQ(output.Send(after), kNoError) << "the reset port takes no more";
    ASSERT_TRUE(output.AllReported());
    EXPECT_EQ(output.Reports().back(), std::make_pair(after, kNoError));
  }
}

INSTANTIATE_TEST_SUITE_P(
    JackSession, JackOutputStrings,
    ::testing::Values(
        OutputCase{"ASysexOfTheLargestEventIsSent",
                   [](std::size_t largest) { return std::vector<Bytes>{Sysex(largest, 0x01)}; },
                   Then::Wait, nullptr},
        OutputCase{"OneByteMoreIsRefused",
                   [](std::size_t largest) { return std::vector<Bytes>{Sysex(largest + 1, 0x02)}; },
                   Then::Wait, "The message is longer than JACK carries at once"},
        OutputCase{"ABurstBeyondOneCycleGoesOverTheNextCycles",
                   [](std::size_t) { return Dumps(kBurstOfDumps); }, Then::Wait, nullptr},
        OutputCase{"ClosingWithSendsQueuedGivesTheRestUp",
                   [](std::size_t) { return Dumps(kPileOfDumps); }, Then::Close,
                   "Not sent: the JACK server did not take it before the port closed"},
        OutputCase{"ResetGivesTheQueuedUp", [](std::size_t) { return Dumps(kPileOfDumps); },
                   Then::Reset, "Not sent: the port was reset"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

// JACK's own MIDI monitor, a client nobody here wrote, on the output port: a dump sent as the
// editor's Send sends it shows as eight SysEx events, one a line, each the bytes of one of the
// dump's messages, in order.
TEST(JackSession, JacksOwnMonitorSeesADumpAsItsEightMessages) {
  if (!JackInstalled() || !Shell("command -v jack_midi_dump >/dev/null 2>&1")) {
    GTEST_SKIP() << "jackd or jack_midi_dump is not installed";
  }
  UseServer(UniqueName("morvane-monitor", 1));
  const auto jack = JackServer::Start();
  ASSERT_NE(jack, nullptr) << "the JACK server did not start within 10 s";
  const std::string monitorName = UniqueName("morvane-test-monitor", 1);
  const std::string log = ::testing::TempDir() + monitorName + ".log";
  // Ended with SIGINT: on SIGTERM it leaves without a word, and the server in synchronous mode
  // then takes a minute to stop.
  Child monitor({"stdbuf", "-oL", "jack_midi_dump", monitorName}, log, SIGINT);
  ASSERT_TRUE(WaitFor([&] {
    return Shell("jack_lsp 2>/dev/null | grep -qx '" + monitorName + ":input'");
  })) << "the monitor's port did not appear";

  JackBackend system(kEditorClient);
  QueuedGuiThread gui;
  TMidiOutput output(gui, system);
  std::size_t sent = 0;
  output.OnMessageSent = [&](std::span<const std::uint8_t>) { ++sent; };
  ASSERT_TRUE(WaitFor([&] {
    try {
      output.SetProductName(monitorName + ":input");
      return true;
    } catch (const EmidioutputError&) {
      return false;  // Not listed while a call to the loaded server is overdue.
    }
  })) << "the monitor's port was not listed";
  ASSERT_TRUE(output.OpenPort());
  const Bytes dump = NamedDump(1);
  output.SendLong(dump);
  ASSERT_TRUE(gui.PumpUntil([&] { return sent == 1; }, kPatience)) << "the dump was not sent";

  const std::vector<Bytes> messages = SplitMessages(dump);
  ASSERT_EQ(messages.size(), kDumpMessages);
  std::vector<Bytes> events;
  const bool seen = WaitFor([&] {
    // One line an event: a time, a colon, the bytes in hexadecimal, then what they are.
    events.clear();
    std::ifstream lines(log);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line.substr(line.find(':') + 1));
      Bytes event;
      for (std::string field; fields >> field && field.size() == 2;) {
        event.push_back(static_cast<std::uint8_t>(std::stoi(field, nullptr, 16)));
      }
      events.push_back(event);
    }
    return events.size() >= messages.size();
  });
  ASSERT_TRUE(seen) << "the monitor showed " << events.size() << " events";
  ASSERT_EQ(events.size(), messages.size());
  for (std::size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(events[i].size(), messages[i].size()) << "event " << i;
    EXPECT_EQ(events[i], messages[i]) << "event " << i;
  }
  std::filesystem::remove(log);
}

}  // namespace
}  // namespace morvane::midi
