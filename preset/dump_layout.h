#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::preset {

// The raw preset dump: a header message, six full data packets and a short final one.
inline constexpr std::size_t kDumpSize = 1605;
inline constexpr std::size_t kHeaderMessageSize = 36;
inline constexpr std::size_t kPresetNumberOffset = 7;  // low byte; high byte follows
inline constexpr std::size_t kPacketHeaderSize = 9;
inline constexpr std::size_t kPacketTrailerSize = 2;  // checksum, 0xF7
inline constexpr std::size_t kFullPacketCount = 6;
inline constexpr std::size_t kPacketCount = kFullPacketCount + 1;
inline constexpr std::size_t kFullPacketDataSize = 244;
inline constexpr std::size_t kFinalPacketDataSize = 28;
inline constexpr std::size_t kFullPacketSize =
    kPacketHeaderSize + kFullPacketDataSize + kPacketTrailerSize;  // 255
inline constexpr std::size_t kFinalPacketSize =
    kPacketHeaderSize + kFinalPacketDataSize + kPacketTrailerSize;  // 39
inline constexpr std::size_t kFirstPacketOffset = kHeaderMessageSize;
inline constexpr std::size_t kFirstPacketDataOffset = kFirstPacketOffset + kPacketHeaderSize;
// Unpack needs every payload byte, not the final checksum and 0xF7.
inline constexpr std::size_t kMinUnpackSize = kDumpSize - kPacketTrailerSize;  // 1603

// A bank: the sixteen user presets of the module, one dump after another.
inline constexpr int kBankPresetCount = 16;
inline constexpr std::size_t kBankSize = kBankPresetCount * kDumpSize;  // 25680

// The payload taken out of the packets.
inline constexpr std::size_t kPayloadSize =
    kFullPacketCount * kFullPacketDataSize + kFinalPacketDataSize;  // 1492
inline constexpr std::size_t kNameSize = 16;
inline constexpr std::size_t kUnwrittenNameIndex = 3;
inline constexpr std::size_t kCommonBlockSize = 228;
inline constexpr std::size_t kLayerBlockSize = 316;
inline constexpr int kLayerBase = 212;
inline constexpr int kLayerCount = 4;

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kChecksumPlaceholder = 0x7F;

// Dump offset of payload byte p.
constexpr std::size_t DumpOffsetOfPayloadByte(std::size_t p) {
  return kFirstPacketDataOffset + kFullPacketSize * (p / kFullPacketDataSize) +
         p % kFullPacketDataSize;
}

}  // namespace morvane::preset
