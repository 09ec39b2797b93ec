#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "midi/header_queue.h"
#include "midi/mm_result.h"
#include "midi/stream_input.h"
#include "midi/sysex_assembler.h"

namespace morvane::midi {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Returned {
  std::uint32_t message;
  Bytes bytes;
  bool operator==(const Returned&) const = default;
};

// Buffers as a driver queues them; what comes back, in order.
class Target final : public AssemblyTarget {
 public:
  Target(std::size_t bufferSize, std::size_t bufferCount)
      : data_(bufferCount, Bytes(bufferSize)), headers_(bufferCount) {
    for (std::size_t i = 0; i < bufferCount; ++i) {
      headers_[i].lpData = data_[i].data();
      headers_[i].dwBufferLength = static_cast<std::uint32_t>(bufferSize);
      queued_.push_back(&headers_[i]);
    }
  }
  MidiHeader* FrontBuffer() noexcept override {
    return queued_.empty() ? nullptr : queued_.front();
  }
  void ReturnFront(std::uint32_t message) noexcept override {
    MidiHeader* header = queued_.front();
    queued_.pop_front();
    returned.push_back({message, Bytes(header->lpData, header->lpData + header->dwBytesRecorded)});
    order += 'L';
  }
  void DeliverShort(std::uint32_t packed) noexcept override {
    shorts.push_back(packed);
    order += 'S';
  }

  std::vector<Returned> returned;
  std::vector<std::uint32_t> shorts;
  // What came out, in order: L a returned buffer, S a short message.
  std::string order;

 private:
  std::vector<Bytes> data_;
  std::vector<MidiHeader> headers_;
  std::deque<MidiHeader*> queued_;
};

Bytes Dump(std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) {
    bytes[i] = static_cast<std::uint8_t>(i % 0x80);
  }
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  return bytes;
}

// The dump in chunks of the given size, with a real-time byte between each two
// chunks and, when inside is set, one in the middle of each chunk too.
std::vector<Bytes> Chunked(const Bytes& dump, std::size_t size, std::uint8_t realTime,
                           bool inside) {
  std::vector<Bytes> chunks;
  for (std::size_t offset = 0; offset < dump.size(); offset += size) {
    Bytes chunk(dump.begin() + static_cast<std::ptrdiff_t>(offset),
                dump.begin() + static_cast<std::ptrdiff_t>(std::min(offset + size, dump.size())));
    if (inside) {
      chunk.insert(chunk.begin() + static_cast<std::ptrdiff_t>(chunk.size() / 2), realTime);
    }
    chunks.push_back(std::move(chunk));
    chunks.push_back({realTime});
  }
  return chunks;
}

struct Case {
  std::string name;
  std::size_t bufferSize;
  std::size_t bufferCount;
  std::vector<Bytes> chunks;
  std::vector<Returned> returned;
  std::vector<std::uint32_t> shorts;
};

// Rows whose buffers and short messages must also come out in this order (L a buffer, S a short).
const std::map<std::string, std::string> kOrders = {
    {"two notes in one chunk after a cut-off SysEx", "LSS"},
    {"a note between a cut-off SysEx and the next, in one chunk", "LSL"},
    {"running status, and a SysEx ends it", "SSL"},
};

TEST(SysexAssembler, BuildsBuffersFromChunksAndTakesRealTimeBytesOut) {
  const Bytes dump = Dump(1605);
  const std::vector<Case> cases = {
      {"sensing between 256-byte chunks",
       4096,
       2,
       Chunked(dump, 256, 0xFE, false),
       {{kMimLongData, dump}},
       {}},
      {"clock inside and between 100-byte chunks",
       4096,
       2,
       Chunked(dump, 100, 0xF8, true),
       {{kMimLongData, dump}},
       {}},
      {"one byte per chunk, sensing between",
       4096,
       1,
       Chunked(dump, 1, 0xFE, false),
       {{kMimLongData, dump}},
       {}},
      {"other real-time bytes go on as short messages",
       64,
       2,
       {{0xF0, 0x01, 0xFA, 0x02}, {0xFC}, {0x03, 0xFF, 0xF7}},
       {{kMimLongData, {0xF0, 0x01, 0x02, 0x03, 0xF7}}},
       {0xFA, 0xFC, 0xFF}},
      {"longer than one buffer",
       4,
       3,
       {{0xF0, 1, 2, 3, 4}, {0xF8, 5, 0xF7}},
       {{kMimLongData, {0xF0, 1, 2, 3}}, {kMimLongData, {4, 5, 0xF7}}},
       {}},
      {"cut off by a note",
       16,
       2,
       {{0xF0, 1, 2}, {0x90, 0x3C, 0x64}},
       {{kMimLongError, {0xF0, 1, 2}}},
       {0x643C90}},
      {"cut off by the next SysEx",
       16,
       2,
       {{0xF0, 1, 2}, {0xF0, 3, 0xF7}},
       {{kMimLongError, {0xF0, 1, 2}}, {kMimLongData, {0xF0, 3, 0xF7}}},
       {}},
      {"lone clock and sensing are dropped", 16, 1, {{0xF8}, {0xFE}, {0xC0, 0x05}}, {}, {0x05C0}},
      {"no buffer queued loses the bytes only",
       16,
       0,
       {{0xF0, 1, 0xFB, 0xF7}, {0x80, 60, 0}},
       {},
       {0xFB, 0x3C80}},
      {"two notes in one chunk after a cut-off SysEx",
       16,
       2,
       {{0xF0, 1, 2}, {0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00}},
       {{kMimLongError, {0xF0, 1, 2}}},
       {0x643C90, 0x3C80}},
      {"a note between a cut-off SysEx and the next, in one chunk",
       16,
       2,
       {{0xF0, 1, 0x90, 0x3C, 0x64, 0xF0, 2, 0xF7}},
       {{kMimLongError, {0xF0, 1}}, {kMimLongData, {0xF0, 2, 0xF7}}},
       {0x643C90}},
      {"running status, and a SysEx ends it",
       16,
       1,
       {{0x90, 60, 100, 62, 100, 0xF0, 3, 0xF7, 64, 100}},
       {{kMimLongData, {0xF0, 3, 0xF7}}},
       {0x643C90, 0x643E90}},
      {"a note split over two chunks",
       16,
       1,
       {{0xC0}, {0x05, 0x90, 60}, {100}},
       {},
       {0x05C0, 0x643C90}},
      {"a system common message clears running status",
       16,
       1,
       {{0x90, 60, 100, 0xF6, 62, 100}},
       {},
       {0x643C90, 0xF6}},
  };
  for (const Case& test : cases) {
    Target target(test.bufferSize, test.bufferCount);
    SysexAssembler assembler(target);
    for (const Bytes& chunk : test.chunks) {
      assembler.Feed(chunk);
    }
    EXPECT_EQ(target.returned, test.returned) << test.name;
    EXPECT_EQ(target.shorts, test.shorts) << test.name;
    if (const auto order = kOrders.find(test.name); order != kOrders.end()) {
      EXPECT_EQ(target.order, order->second) << test.name;
    }
  }
}

// What a stream input hands its port, in order: message, then the bytes of a returned buffer.
struct StreamRecord {
  std::vector<std::pair<std::uint32_t, Bytes>> calls;
  static void Callback(DeviceHandle /*device*/, std::uint32_t message, std::uintptr_t instance,
                       std::uintptr_t param1, std::uintptr_t /*param2*/) {
    auto& record = *reinterpret_cast<StreamRecord*>(instance);
    if (message == kMimData) {
      record.calls.push_back({message, {static_cast<std::uint8_t>(param1 & 0xFF)}});
      return;
    }
    const auto& header = *reinterpret_cast<const MidiHeader*>(param1);
    record.calls.push_back({message, Bytes(header.lpData, header.lpData + header.dwBytesRecorded)});
  }
};

TEST(StreamInput, AStopDropsTheSysexUnderWaySoThatARestartBeginsClean) {
  constexpr std::size_t kBufferSize = 16;
  std::vector<Bytes> data(2, Bytes(kBufferSize));
  std::vector<MidiHeader> headers(2);
  StreamRecord record;
  StreamInput input(1, &StreamRecord::Callback, reinterpret_cast<std::uintptr_t>(&record));
  for (std::size_t i = 0; i < headers.size(); ++i) {
    headers[i].lpData = data[i].data();
    headers[i].dwBufferLength = kBufferSize;
    headers[i].dwFlags = kHeaderPrepared;
    ASSERT_EQ(input.Add(headers[i]), kNoError);
  }
  input.Start();
  input.Deliver(Bytes{0xF0, 1, 2});
  ASSERT_EQ(input.Stop(), kNoError);
  input.Deliver(Bytes{0xF7});
  input.Start();
  input.Deliver(Bytes{0x80, 60, 0});
  input.Deliver(Bytes{0xF0, 3, 0xF7});
  input.Deliver(Bytes{0x90, 60});
  ASSERT_EQ(input.Stop(), kNoError);
  input.Start();
  input.Deliver(Bytes{100, 0xC0, 5});
  EXPECT_EQ(input.Reset(), kNoError);
  EXPECT_EQ(record.calls,
            (std::vector<std::pair<std::uint32_t, Bytes>>{{kMimData, {0x80}},
                                                          {kMimLongData, {0xF0, 3, 0xF7}},
                                                          {kMimData, {0xC0}},
                                                          {kMimLongData, {}}}))
      << "a SysEx or a note under way at the stop came back after the restart";
  EXPECT_FALSE(input.HasQueued());
}

TEST(HeaderQueue, PassesEveryHeaderOnceInOrderBetweenTwoThreads) {
  constexpr std::size_t kHeaders = 100000;
  std::vector<MidiHeader> headers(16);
  HeaderQueue queue(8);
  std::thread producer([&] {
    for (std::size_t n = 0; n < kHeaders; ++n) {
      while (!queue.Push(&headers[n % headers.size()])) {
        std::this_thread::yield();
      }
    }
  });
  for (std::size_t n = 0; n < kHeaders;) {
    if (MidiHeader* header = queue.Front()) {
      ASSERT_EQ(header, &headers[n % headers.size()]);
      queue.Pop();
      ++n;
    } else {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_TRUE(queue.Empty());
}

}  // namespace
}  // namespace morvane::midi
