#include "midi/sysex_assembler.h"

#include "midi/mm_result.h"
#include "midi/my_midi_event.h"

namespace morvane::midi {

namespace {
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kFirstRealTime = 0xF8;
constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr std::uint8_t kFirstStatus = 0x80;
constexpr int kByteShift = 8;
}  // namespace

void SysexAssembler::Feed(std::span<const std::uint8_t> chunk) noexcept {
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
      shortBytes_ = 0;
      runningStatus_ = 0;
      Store(byte);
    } else {
      ShortByte(byte);
    }
  }
}

void SysexAssembler::ShortByte(std::uint8_t byte) noexcept {
  if (byte >= kFirstStatus) {
    // Only channel messages leave a status for running status to repeat.
    runningStatus_ = byte < kSysexStart ? byte : 0;
    packed_ = byte;
    shortBytes_ = 1;
    shortLength_ = static_cast<int>(ShortMessageLength(byte));
  } else if (shortBytes_ == 0) {
    if (runningStatus_ == 0) {
      return;
    }
    packed_ = runningStatus_ | static_cast<std::uint32_t>(byte) << kByteShift;
    shortBytes_ = 2;
    shortLength_ = static_cast<int>(ShortMessageLength(runningStatus_));
  } else {
    packed_ |= static_cast<std::uint32_t>(byte) << (kByteShift * shortBytes_);
    ++shortBytes_;
  }
  if (shortBytes_ >= shortLength_) {
    shortBytes_ = 0;
    target_.DeliverShort(packed_);
  }
}

void SysexAssembler::Reset() noexcept {
  inSysex_ = false;
  shortBytes_ = 0;
  runningStatus_ = 0;
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
