// The session file's format without a window: what comes back of a file that is whole, damaged
// in one part, cut short, longer, in the earlier format, or written by a writer killed mid-way.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "preset/dump_layout.h"
#include "preset/file_io.h"
#include "preset/initial_preset.h"
#include "session_file.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

namespace morvane::editor::testing {
namespace {

namespace fs = std::filesystem;
using preset::Bytes;

Bytes Payload(const preset::ByteStream& image) {
  return {image.View().begin(), image.View().end()};
}
Bytes Raw(const preset::tMrv& image) {
  return {image.RawDump().View().begin(), image.RawDump().View().end()};
}

// Images that differ in every part a session keeps: payload edits, preset numbers, the
// checksums a send leaves, and a dump two bytes short (channel 8), which Load takes.
TSession VariedSession(const std::string& namePrefix = "Ses:") {
  TSession session;
  for (std::size_t channelIndex = 0; channelIndex < session.images.size(); ++channelIndex) {
    preset::tMrv& image = session.images[channelIndex];
    Bytes dump = preset::BuildInitialPreset();
    if (channelIndex == 7) {
      dump.resize(preset::kMinUnpackSize);
    }
    image.LoadPresetFromBytes(dump);
    image.WriteName(namePrefix + std::to_string(channelIndex + 1));
    image.WriteParam(4, 2, 1 + static_cast<int>(channelIndex % 4), -static_cast<int>(channelIndex));
    if (channelIndex % 3 == 0) {
      image.SetPresetNumber(static_cast<int>(channelIndex));
      image.BuildDump();
    }
  }
  session.channelIndex = 15;
  session.layerIndex = 3;
  session.pageIndex = 3;
  return session;
}

bool SameImage(const preset::tMrv& left, const preset::tMrv& right) {
  return Payload(left) == Payload(right) && Raw(left) == Raw(right);
}

// The channels (1..16) whose image differs from the session's.
std::vector<int> ChangedChannels(const TSession& read, const TSession& written) {
  std::vector<int> changed;
  for (std::size_t channelIndex = 0; channelIndex < read.images.size(); ++channelIndex) {
    if (!SameImage(read.images[channelIndex], written.images[channelIndex])) {
      changed.push_back(static_cast<int>(channelIndex) + 1);
    }
  }
  return changed;
}

// FNV-1a, as the file's checksums are made, for files changed behind a valid checksum.
std::uint32_t Fnv(std::span<const std::uint8_t> bytes, std::uint32_t hash = 2166136261U) {
  for (const std::uint8_t byte : bytes) {
    hash = (hash ^ byte) * 16777619U;
  }
  return hash;
}
void PutChecksum(Bytes& bytes, std::size_t at, std::uint32_t checksum) {
  for (std::size_t i = 0; i < kSessionChecksumSize; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(checksum >> (8 * i));
  }
}
// The header's checksum made again after a change.
void SealHeader(Bytes& bytes) {
  const std::size_t body = kSessionHeaderSize - kSessionChecksumSize;
  PutChecksum(bytes, body, Fnv(std::span(bytes).first(body)));
}
std::size_t PartOffset(int channelIndex) {
  return kSessionHeaderSize + static_cast<std::size_t>(channelIndex) * kSessionChannelPartSize;
}
// A channel's checksum made again after a change of its part.
void SealChannel(Bytes& bytes, int channelIndex) {
  const std::uint8_t channel[] = {static_cast<std::uint8_t>(channelIndex)};
  const std::size_t body = kSessionChannelPartSize - kSessionChecksumSize;
  PutChecksum(bytes, PartOffset(channelIndex) + body,
              Fnv(std::span(bytes).subspan(PartOffset(channelIndex), body), Fnv(channel)));
}

TEST(SessionFile, KeepsEveryImageByteForByte) {
  const TSession session = VariedSession();
  const Bytes bytes = EncodeSession(session);
  EXPECT_EQ(bytes.size(), kSessionFileSize);
  const TDecodedSession read = DecodeSession(bytes);
  EXPECT_FALSE(read.damage.Any());
  EXPECT_EQ(read.damage.Text(), "");
  EXPECT_TRUE(ChangedChannels(read.session, session).empty());
  EXPECT_EQ(read.session.channelIndex, 15);
  EXPECT_EQ(read.session.layerIndex, 3);
  EXPECT_EQ(read.session.pageIndex, 3);
  EXPECT_TRUE(EncodeSession(read.session) == bytes);
}

// Each row changes the file and names what is lost: only the part that was hit.
TEST(SessionFile, ADamagedPartCostsOnlyItsChannel) {
  const TSession session = VariedSession();
  const Bytes good = EncodeSession(session);
  const std::size_t end = good.size();
  const std::size_t channel8Padding = PartOffset(7) + 2 + preset::kMinUnpackSize;
  struct Row {
    const char* what;
    std::function<void(Bytes&)> change;
    std::vector<int> damaged;
    bool place;
    std::size_t extraBytes;
    std::string text;
  };
  const auto flip = [](std::size_t at) { return [at](Bytes& bytes) { bytes[at] ^= 0x01; }; };
  const auto cut = [](std::size_t size) { return [size](Bytes& bytes) { bytes.resize(size); }; };
  const Row rows[] = {
      {"the mark", flip(0), {}, true, 0, "the channel, layer and page shown were damaged"},
      {"the channel shown", flip(8), {}, true, 0, ""},
      {"the header's checksum", flip(kSessionHeaderSize - 1), {}, true, 0, ""},
      {"channel 1's raw size",
       flip(PartOffset(0)),
       {1},
       false,
       0,
       "channel 1 was damaged and starts from the initial preset"},
      {"channel 1's checksum", flip(PartOffset(1) - 1), {1}, false, 0, ""},
      {"channel 2's first byte", flip(PartOffset(1)), {2}, false, 0, ""},
      {"channel 8's unused room", flip(channel8Padding), {8}, false, 0, ""},
      {"channel 16's payload", flip(end - 100), {16}, false, 0, ""},
      {"the last byte", flip(end - 1), {16}, false, 0, ""},
      {"two channels and the header",
       [](Bytes& bytes) {
         bytes[9] ^= 0x01;
         bytes[PartOffset(2) + 50] ^= 0x01;
         bytes[PartOffset(10) + 50] ^= 0x01;
       },
       {3, 11},
       true,
       0,
       "channels 3 and 11 were damaged and start from the initial preset and the channel, layer "
       "and page shown were damaged"},
      {"one byte short", cut(end - 1), {16}, false, 0, ""},
      {"cut in channel 4",
       cut(PartOffset(3) + 10),
       {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
       false,
       0,
       "channels 4-16 were damaged and start from the initial preset"},
      {"cut in the header",
       cut(10),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
       true,
       0,
       ""},
      {"one extra byte",
       [](Bytes& bytes) { bytes.push_back(0); },
       {},
       false,
       1,
       "1 byte past its end was left out"},
      {"three extra bytes",
       [](Bytes& bytes) { bytes.resize(bytes.size() + 3); },
       {},
       false,
       3,
       "3 bytes past its end were left out"},
      {"channels 1 and 2 swapped",
       [](Bytes& bytes) {
         std::swap_ranges(bytes.begin() + static_cast<std::ptrdiff_t>(PartOffset(0)),
                          bytes.begin() + static_cast<std::ptrdiff_t>(PartOffset(1)),
                          bytes.begin() + static_cast<std::ptrdiff_t>(PartOffset(1)));
       },
       {1, 2},
       false,
       0,
       "channels 1 and 2 were damaged and start from the initial preset"},
  };
  preset::tMrv initial;
  initial.LoadPresetFromBytes(preset::BuildInitialPreset());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes bytes = good;
    row.change(bytes);
    const TDecodedSession read = DecodeSession(bytes);
    EXPECT_EQ(read.damage.channelNumbers, row.damaged);
    EXPECT_EQ(read.damage.place, row.place);
    EXPECT_EQ(read.damage.extraBytes, row.extraBytes);
    if (!row.text.empty()) {
      EXPECT_EQ(read.damage.Text(), row.text);
    }
    EXPECT_EQ(ChangedChannels(read.session, session), row.damaged);
    for (const int channel : row.damaged) {
      EXPECT_TRUE(
          SameImage(read.session.images.at(static_cast<std::size_t>(channel - 1)), initial));
    }
    EXPECT_EQ(read.session.channelIndex, row.place ? 0 : 15);
    EXPECT_EQ(read.session.layerIndex, row.place ? 0 : 3);
    EXPECT_EQ(read.session.pageIndex, row.place ? 0 : 3);
  }
}

std::size_t ReferenceOffset(int channelIndex) {
  return kSessionFileSize + kSessionReferencesMarkSize +
         static_cast<std::size_t>(channelIndex) * kSessionReferencePartSize;
}

// The channels (1..16) whose reference differs from the session's, by presence or bytes.
std::vector<int> ChangedReferences(const TSession& read, const TSession& written) {
  std::vector<int> changed;
  for (std::size_t channelIndex = 0; channelIndex < read.references.size(); ++channelIndex) {
    const auto& left = read.references[channelIndex];
    const auto& right = written.references[channelIndex];
    if (left.has_value() != right.has_value() || (left && !SameImage(*left, *right))) {
      changed.push_back(static_cast<int>(channelIndex) + 1);
    }
  }
  return changed;
}

// References follow the channels only when one exists, each in a part of its own: a file
// without any is the earlier format byte for byte, and a damaged reference costs only itself.
TEST(SessionFile, ReferencesComeBackAndADamagedOneCostsOnlyItself) {
  const TSession plain = VariedSession();
  EXPECT_EQ(EncodeSession(plain).size(), kSessionFileSize);
  TSession session = VariedSession();
  const TSession others = VariedSession("Ref:");
  for (const std::size_t channelIndex : {0U, 2U, 7U, 15U}) {
    session.references[channelIndex] = others.images[channelIndex];
  }
  const Bytes good = EncodeSession(session);
  ASSERT_EQ(good.size(), kSessionFileSize + kSessionReferencesSize);
  EXPECT_TRUE(EncodeSession(DecodeSession(good).session) == good);
  struct Row {
    const char* what;
    std::function<void(Bytes&)> change;
    std::vector<int> damaged;
    std::vector<int> lost;
    std::size_t extraBytes;
    std::string text;
  };
  const auto flip = [](std::size_t at) { return [at](Bytes& bytes) { bytes[at] ^= 0x01; }; };
  const Row rows[] = {
      {"whole", [](Bytes&) {}, {}, {}, 0, ""},
      {"reference 3's payload",
       flip(ReferenceOffset(2) + 2000),
       {3},
       {3},
       0,
       "the reference of channel 3 was damaged and is left out"},
      {"reference 2's flag, which none has", flip(ReferenceOffset(1)), {2}, {}, 0, ""},
      {"reference 16's checksum", flip(good.size() - 1), {16}, {16}, 0, ""},
      {"the section's mark", flip(kSessionFileSize), {}, {1, 3, 8, 16}, kSessionReferencesSize, ""},
      {"cut in reference 5",
       [](Bytes& bytes) { bytes.resize(ReferenceOffset(4) + 10); },
       {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
       {8, 16},
       0,
       "the references of channels 5-16 were damaged and are left out"},
      {"one extra byte", [](Bytes& bytes) { bytes.push_back(0); }, {}, {}, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes bytes = good;
    row.change(bytes);
    const TDecodedSession read = DecodeSession(bytes);
    EXPECT_TRUE(read.damage.channelNumbers.empty());
    EXPECT_FALSE(read.damage.place);
    EXPECT_EQ(read.damage.referenceNumbers, row.damaged);
    EXPECT_EQ(read.damage.extraBytes, row.extraBytes);
    EXPECT_EQ(read.damage.Any(), !row.damaged.empty() || row.extraBytes > 0);
    if (!row.text.empty()) {
      EXPECT_EQ(read.damage.Text(), row.text);
    }
    EXPECT_TRUE(ChangedChannels(read.session, session).empty());
    EXPECT_EQ(ChangedReferences(read.session, session), row.lost);
  }
}

// Checks that only a valid checksum lets through: the ranges of the header's numbers and the
// size of a kept dump, each at its edge.
TEST(SessionFile, RangesBehindAValidChecksum) {
  const TSession session = VariedSession();
  const Bytes good = EncodeSession(session);
  const struct {
    std::size_t at;
    std::uint8_t value;
    bool place;
  } headerRows[] = {
      {8, 15, false}, {8, 16, true}, {9, 3, false}, {9, 4, true}, {10, 3, false}, {10, 4, true},
  };
  for (const auto& row : headerRows) {
    SCOPED_TRACE(std::to_string(row.at) + " = " + std::to_string(row.value));
    Bytes bytes = good;
    bytes[row.at] = row.value;
    SealHeader(bytes);
    const TDecodedSession read = DecodeSession(bytes);
    EXPECT_EQ(read.damage.place, row.place);
    EXPECT_TRUE(read.damage.channelNumbers.empty());
  }
  // Channel 5's kept dump of 1602, 1603, 1605 and 1606 bytes.
  for (const auto& [rawSize, damaged] : {std::pair{1602, true}, std::pair{1603, false},
                                         std::pair{1605, false}, std::pair{1606, true}}) {
    SCOPED_TRACE(rawSize);
    Bytes bytes = good;
    bytes[PartOffset(4)] = static_cast<std::uint8_t>(rawSize & 0xFF);
    bytes[PartOffset(4) + 1] = static_cast<std::uint8_t>(rawSize >> 8);
    SealChannel(bytes, 4);
    const TDecodedSession read = DecodeSession(bytes);
    EXPECT_EQ(read.damage.channelNumbers, damaged ? std::vector<int>{5} : std::vector<int>{});
    if (!damaged) {
      EXPECT_EQ(read.session.images[4].RawDump().Size(), static_cast<std::size_t>(rawSize));
    }
  }
}

Bytes OldFormatFile() {
  return preset::ReadWholeFile(std::string(MORVANE_SESSION_FIXTURE), kSessionFileLimit);
}

// A file of the format with one checksum for the whole file, as the editor wrote it before.
TEST(SessionFile, TheEarlierFormatIsStillRead) {
  const TDecodedSession read = DecodeSession(OldFormatFile());
  EXPECT_FALSE(read.damage.Any());
  EXPECT_EQ(read.session.channelIndex, 12);
  EXPECT_EQ(read.session.layerIndex, 2);
  EXPECT_EQ(read.session.pageIndex, 3);
  const TSession expected = VariedSession("Old:");
  EXPECT_TRUE(ChangedChannels(read.session, expected).empty());
  EXPECT_TRUE(ChangedReferences(read.session, expected).empty());
  preset::tMrv first = read.session.images[0];
  EXPECT_EQ(first.ReadName(), "Old:1           ");
  EXPECT_EQ(read.session.images[7].RawDump().Size(), preset::kMinUnpackSize);
}

TEST(SessionFile, TheEarlierFormatIsRefusedWholeWhenDamaged) {
  const Bytes good = OldFormatFile();
  const auto resealed = [](Bytes bytes) {
    bytes.resize(bytes.size() - kSessionChecksumSize);
    const std::uint32_t checksum = Fnv(bytes);
    bytes.resize(bytes.size() + kSessionChecksumSize);
    PutChecksum(bytes, bytes.size() - kSessionChecksumSize, checksum);
    return bytes;
  };
  const auto set = [&](std::size_t at, std::uint8_t value) {
    Bytes bytes = good;
    bytes[at] = value;
    return resealed(bytes);
  };
  Bytes flipped = good;
  flipped[good.size() / 2] ^= 0x01;
  Bytes longer(good.begin(), good.end() - kSessionChecksumSize);
  longer.push_back(0);
  longer.resize(longer.size() + kSessionChecksumSize);
  const struct {
    const char* what;
    Bytes bytes;
    const char* reason;
  } rows[] = {
      {"a byte changed", flipped, "its checksum does not match"},
      {"cut short", Bytes(good.begin(), good.end() - 9), "its checksum does not match"},
      {"three bytes", Bytes(3, 0), "cut short"},
      {"channel 16", set(8, 16), "a number out of range"},
      {"layer 4", set(9, 4), "a number out of range"},
      {"page 4", set(10, 4), "a number out of range"},
      {"a dump of 1602 bytes", set(11, 0x42), "an image of the wrong size"},
      {"one extra byte", resealed(longer), "more bytes than a session"},
      {"another mark", set(7, '0'), "not a session file"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    try {
      DecodeSession(row.bytes);
      ADD_FAILURE() << "read";
    } catch (const TSessionDamaged& damaged) {
      EXPECT_STREQ(damaged.what(), row.reason);
    }
  }
  EXPECT_FALSE(DecodeSession(set(8, 15)).damage.Any());
}

#ifndef _WIN32
// A writer killed at any moment leaves the old file or the new one, never a damaged one, and
// the temporary file it may leave is removed at the next start.
TEST(SessionFile, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  const fs::path folder =
      fs::temp_directory_path() / ("morvane-session-kill-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string path = (folder / "channels.session").string();
  TSession first = VariedSession("One:");
  TSession second = VariedSession("Two:");
  second.channelIndex = 2;
  const Bytes states[] = {EncodeSession(first), EncodeSession(second)};
  preset::WriteFileReplacing(path, states[0]);
  std::mt19937 random(27);
  constexpr int kKills = 12;
  for (int kill = 0; kill < kKills; ++kill) {
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::close(started[0]);
      for (std::size_t write = 0;; ++write) {
        preset::WriteFileReplacing(path, states[write % 2]);
        if (write == 0) {
          const char ready = 1;
          (void)!::write(started[1], &ready, 1);
        }
      }
    }
    ::close(started[1]);
    char ready = 0;
    ASSERT_EQ(::read(started[0], &ready, 1), 1);
    ::close(started[0]);
    // The moment is the point: anywhere in a write, its sync or its rename.
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
    ASSERT_EQ(::kill(writer, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));

    const Bytes found = preset::ReadWholeFile(path, kSessionFileLimit);
    EXPECT_TRUE(found == states[0] || found == states[1]) << "kill " << kill;
    EXPECT_FALSE(DecodeSession(found).damage.Any());
    preset::RemoveLeftTemporaries(folder);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "kill " << kill;
  }
  fs::remove_all(folder);
}
#endif

}  // namespace
}  // namespace morvane::editor::testing
