#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preset/dump_input.h"
#include "preset/dump_layout.h"
#include "test_dumps.h"

namespace morvane::preset {
namespace {

const Bytes kOtherDevice{0xF0, 0x7D, 0x01, 0x02, 0x03, 0x04, 0xF7};
constexpr std::uint8_t kClock = 0xF8;

Bytes Part(const Bytes& bytes, std::size_t from, std::size_t to) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
          bytes.begin() + static_cast<std::ptrdiff_t>(to)};
}

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

// Events of the input port as they come, fed one by one.
struct Fed {
  ByteStream buffer;
  DumpInput input{buffer};
  std::vector<Bytes> dumps;
  std::vector<Bytes> cutOffs;

  explicit Fed(bool awaiting, bool oneAfterAnother) {
    input.SetAwaiting(awaiting);
    if (oneAfterAnother) {
      input.OnDump = [this](std::span<const std::uint8_t> d) {
        dumps.emplace_back(d.begin(), d.end());
      };
      input.OnCutOff = [this](std::span<const std::uint8_t> c) {
        cutOffs.emplace_back(c.begin(), c.end());
      };
    }
  }
  Bytes Buffer() const { return {buffer.View().begin(), buffer.View().end()}; }
};

TEST(DumpInput, OtherDevicesAndRealTimeBytesStayOutAndHeadersStartOverOnlyWhileAwaited) {
  const Bytes dump = testing::TracingDump();
  const Bytes second = [&] {
    Bytes other = dump;
    other[kPresetNumberOffset] = 0x05;
    return other;
  }();
  const std::size_t packet3 = kFirstPacketOffset + 2 * kFullPacketSize;
  // The rest of an earlier dump, then a whole one with noise between and inside its messages.
  const std::vector<Bytes> noisy{
      Part(dump, 900, dump.size()),
      kOtherDevice,
      Part(dump, 0, packet3 + 10),
      {kClock},
      Part(dump, packet3 + 10, packet3 + kFullPacketSize),
      kOtherDevice,
      Part(dump, packet3 + kFullPacketSize, dump.size()),
  };
  struct Case {
    const char* what;
    std::vector<Bytes> events;
    bool awaiting;
    bool oneAfterAnother;
    Bytes buffer;
    std::vector<Bytes> dumps;
    std::vector<Bytes> cutOffs;
  };
  const Case cases[] = {
      {"awaited: the rest of the earlier dump goes", noisy, true, false, dump, {}, {}},
      {"not awaited: everything but the noise stays",
       noisy,
       false,
       false,
       Joined({Part(dump, 900, dump.size()), dump}),
       {},
       {}},
      {"one after another: each dump as soon as it is whole",
       {Joined({dump, Part(second, 0, 100)}), Part(second, 100, second.size())},
       true,
       true,
       {},
       {dump, second},
       {}},
      {"a dump cut off by the next header",
       {Part(dump, 0, 1000), second},
       true,
       true,
       {},
       {second},
       {Part(dump, 0, 1000)}},
      {"a partial message counts at once",
       {Part(dump, 0, 50)},
       true,
       true,
       Part(dump, 0, 50),
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fed fed(c.awaiting, c.oneAfterAnother);
    for (const Bytes& event : c.events) {
      fed.input.Feed(event);
    }
    EXPECT_EQ(fed.Buffer(), c.buffer);
    EXPECT_EQ(fed.dumps, c.dumps);
    EXPECT_EQ(fed.cutOffs, c.cutOffs);
  }
}

}  // namespace
}  // namespace morvane::preset
