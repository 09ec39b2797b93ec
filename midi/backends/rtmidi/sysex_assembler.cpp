#include "midi/backends/rtmidi/sysex_assembler.h"

#include "midi/mm_result.h"

namespace morvane::midi {

namespace {
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kFirstRealTime = 0xF8;
constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr std::uint8_t kFirstStatus = 0x80;
constexpr int kShortMessageBytes = 3;
constexpr int kByteShift = 8;
}  // namespace

void SysexAssembler::Feed(std::span<const std::uint8_t> chunk) noexcept {
  std::uint32_t packed = 0;
  int shortBytes = 0;
  for (const std::uint8_t byte : chunk) {
    if (byte >= kFirstRealTime) {
      RealTime(byte);
      continue;
    }
    if (inSysex_) {
      if (byte < kFirstStatus || byte == kSysexEnd) {
        Store(byte);
        if (byte == kSysexEnd) {
          End(kMimLongData);
        }
        continue;
      }
      End(kMimLongError);
    }
    if (byte == kSysexStart) {
      inSysex_ = true;
      Store(byte);
    } else if (shortBytes < kShortMessageBytes) {
      packed |= static_cast<std::uint32_t>(byte) << (kByteShift * shortBytes);
      ++shortBytes;
    }
  }
  if (shortBytes > 0) {
    target_.DeliverShort(packed);
  }
}

void SysexAssembler::RealTime(std::uint8_t byte) noexcept {
  if (byte != kTimingClock && byte != kActiveSensing) {
    target_.DeliverShort(byte);
  }
}

void SysexAssembler::Store(std::uint8_t byte) noexcept {
  MidiHeader* header = target_.FrontBuffer();
  if (header == nullptr) {
    return;
  }
  header->lpData[header->dwBytesRecorded++] = byte;
  if (header->dwBytesRecorded >= header->dwBufferLength) {
    target_.ReturnFront(kMimLongData);
  }
}

void SysexAssembler::End(std::uint32_t message) noexcept {
  inSysex_ = false;
  const MidiHeader* header = target_.FrontBuffer();
  if (header != nullptr && header->dwBytesRecorded > 0) {
    target_.ReturnFront(message);
  }
}

}  // namespace morvane::midi
