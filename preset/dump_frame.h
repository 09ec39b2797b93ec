#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace morvane::preset {

// The messages of a dump are numbered as the module sends them: 0 the header message, 1..7
// the data packets.
inline constexpr std::size_t kHeaderMessageNumber = 0;

// The first thing that keeps bytes from being one dump framed as the layout places its
// messages: each from 0xF0 to 0xF7 with only data bytes between. Checksums are not looked at.
struct DumpFault {
  enum class Kind {
    // The message numbered `message` is not framed where it belongs.
    Message,
    // Every message is framed but bytes follow the last one.
    TooLong,
  };
  Kind kind;
  std::size_t message;
};

// Nothing when bytes are exactly one framed dump. Bytes that end early fail at the message
// that they cut off.
std::optional<DumpFault> FindDumpFault(std::span<const std::uint8_t> bytes);

// True when bytes are framed as one dump.
bool IsFramedDump(std::span<const std::uint8_t> bytes);

// The preset number in the header message (bytes 7 and 8) of bytes that hold at least those.
int DumpPresetNumber(std::span<const std::uint8_t> bytes);

// True for the sizes that the messages of a dump have: 36, 255 and 39 bytes.
bool IsDumpMessageSize(std::size_t size);

// "header" or "packet N" for a message of a dump.
std::string DumpMessageName(std::size_t message);

// What keeps a file's bytes from being one preset, in words that follow "is not a Morvane
// preset: "; empty when they are one framed dump.
std::string PresetFileFault(std::span<const std::uint8_t> bytes);

}  // namespace morvane::preset
