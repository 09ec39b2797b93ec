#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "preset/byte_stream.h"
#include "preset/dump_layout.h"
#include "preset/file_io.h"
#include "preset/tmrv.h"

namespace morvane::editor {

inline constexpr int kSessionChannelCount = 16;

// What the window keeps between two runs: the sixteen images as they stand, each channel's
// reference where it has one, and the channel, layer and page on show.
struct TSession {
  std::array<preset::tMrv, kSessionChannelCount> images;
  std::array<std::optional<preset::tMrv>, kSessionChannelCount> references;
  int channelIndex = 0;
  int layerIndex = 0;
  int pageIndex = 0;
};

// What DecodeSession could not bring back of a file whose parts are kept apart.
struct TSessionDamage {
  // Channels 1..16, rising, whose part was damaged or missing: their images hold our initial
  // preset, for the caller to replace with its own.
  std::vector<int> channelNumbers;
  // The channel, layer and page on show were damaged: channel 1, layer 1 and the first page
  // stand in.
  bool place = false;
  // Channels 1..16, rising, whose reference was damaged: they come back without one.
  std::vector<int> referenceNumbers;
  // Bytes past the last channel's part, which no session has.
  std::size_t extraBytes = 0;

  bool Any() const {
    return !channelNumbers.empty() || place || !referenceNumbers.empty() || extraBytes > 0;
  }
  // "channel 3 was damaged and starts from the initial preset", "channels 3 and 9 were ...",
  // with what else was wrong; empty when nothing was.
  std::string Text() const;
};

struct TDecodedSession {
  TSession session;
  TSessionDamage damage;
};

// A session file that is not one written by EncodeSession, or, in the format that keeps no part
// apart, was cut short or changed since.
class TSessionDamaged : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each image keeps both its payload and the dump it came from, byte for byte as far as a dump
// goes, so that sending or saving a restored image gives the bytes it would have given before.
// Each channel's part, and the channel, layer and page on show, carry a checksum of their own.
// The references follow the sixteen channels, only when a channel has one, as a section with a
// mark of its own and a part with its own checksum for each channel, so that a file without
// them is the earlier format 2 byte for byte.
preset::Bytes EncodeSession(const TSession& session);

// Brings back every channel whose part is whole and names the others in damage; a file of
// exactly a session's size is read part by part even when its mark is damaged. Files of the
// earlier format, with one checksum for the whole file, are still read. Throws TSessionDamaged
// for a file that is no session at all, or one of the earlier format damaged anywhere.
TDecodedSession DecodeSession(std::span<const std::uint8_t> bytes);

// The parts of a session file as EncodeSession writes them: a header with the channel, layer
// and page on show, then each channel's part, each with the checksum of its own bytes.
inline constexpr std::size_t kSessionChecksumSize = 4;
inline constexpr std::size_t kSessionHeaderSize = 8 + 3 + kSessionChecksumSize;
inline constexpr std::size_t kSessionChannelPartSize =
    2 + preset::kDumpSize + preset::kPayloadSize + kSessionChecksumSize;
inline constexpr std::size_t kSessionFileSize =
    kSessionHeaderSize + kSessionChannelCount * kSessionChannelPartSize;

// The references' section: its mark, then for each channel whether it has one, the reference
// as a channel's part holds its image, and the part's checksum.
inline constexpr std::size_t kSessionReferencesMarkSize = 8;
inline constexpr std::size_t kSessionReferencePartSize = 1 + kSessionChannelPartSize;
inline constexpr std::size_t kSessionReferencesSize =
    kSessionReferencesMarkSize + kSessionChannelCount * kSessionReferencePartSize;

// The largest session file there is, for reading it with preset::ReadWholeFile.
inline constexpr preset::FileSizeLimit kSessionFileLimit{kSessionFileSize + kSessionReferencesSize,
                                                         "a session"};

}  // namespace morvane::editor
