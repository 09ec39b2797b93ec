#pragma once

#include <cstdint>

#include "midi/driver.h"
#include "midi/locked_block.h"

namespace morvane::midi {

// One SysEx buffer: a header and a data block, both locked blocks. Whoever makes one
// stores the object's address in Header->dwUser, so a returned header leads back here.
class TMyMidiHdr {
 public:
  // Size 0 allocates nothing. Throws std::bad_alloc when a block cannot be had.
  explicit TMyMidiHdr(std::uint16_t size);
  ~TMyMidiHdr();
  TMyMidiHdr(const TMyMidiHdr&) = delete;
  TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

  static TMyMidiHdr* FromHeader(const MidiHeader& header) {
    return reinterpret_cast<TMyMidiHdr*>(header.dwUser);
  }

  BlockHandle HeaderHandle = kNoBlock;
  MidiHeader* Header = nullptr;
  BlockHandle DataHandle = kNoBlock;
  std::uint8_t* Data = nullptr;
};

}  // namespace morvane::midi
