#include "midi/my_midi_hdr.h"

#include <new>

namespace morvane::midi {

namespace {
constexpr std::uint16_t kHeaderBlockSize = 64;
static_assert(sizeof(MidiHeader) <= kHeaderBlockSize);
}  // namespace

TMyMidiHdr::TMyMidiHdr(std::uint16_t size) {
  if (size == 0) {
    return;
  }
  const LockedBlock headerBlock = AllocLockedBlock(kHeaderBlockSize);
  const LockedBlock dataBlock = AllocLockedBlock(size);
  if (headerBlock.pointer == nullptr || dataBlock.pointer == nullptr) {
    FreeLockedBlock(headerBlock.handle);
    FreeLockedBlock(dataBlock.handle);
    throw std::bad_alloc();
  }
  HeaderHandle = headerBlock.handle;
  Header = new (headerBlock.pointer) MidiHeader{};
  DataHandle = dataBlock.handle;
  Data = static_cast<std::uint8_t*>(dataBlock.pointer);
  Header->lpData = Data;
  Header->dwBufferLength = size;
}

TMyMidiHdr::~TMyMidiHdr() {
  if (Header != nullptr) {
    Header->~MidiHeader();
  }
  FreeLockedBlock(HeaderHandle);
  FreeLockedBlock(DataHandle);
}

}  // namespace morvane::midi
