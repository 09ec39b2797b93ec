#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "preset/byte_stream.h"
#include "preset/file_io.h"
#include "preset/tmrv.h"

namespace morvane::editor {

inline constexpr int kSessionChannelCount = 16;

// What the window keeps between two runs: the sixteen images as they stand, and the channel,
// layer and page on show.
struct TSession {
  std::array<preset::tMrv, kSessionChannelCount> images;
  int channelIndex = 0;
  int layerIndex = 0;
  int pageIndex = 0;
};

// A session file that is not one written by EncodeSession, or was cut short or changed since.
class TSessionDamaged : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each image keeps both its payload and the dump it came from, byte for byte as far as a dump
// goes, so that sending or saving a restored image gives the bytes it would have given before.
// A checksum covers the whole file.
preset::Bytes EncodeSession(const TSession& session);
// Throws TSessionDamaged for anything EncodeSession did not write.
TSession DecodeSession(std::span<const std::uint8_t> bytes);

// The largest session file there is, for reading it with preset::ReadWholeFile: the header,
// and each image's raw dump with its size and its payload, and the checksum.
inline constexpr preset::FileSizeLimit kSessionFileLimit{
    8 + 3 + kSessionChannelCount * (2 + 1605 + 1492) + 4, "a session"};

}  // namespace morvane::editor
