#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "byte_stream.h"

namespace morvane::preset {

// Takes the SysEx bytes that the input port hands over, in any chunking, into the receive
// buffer. Real-time bytes and whole messages of a size that no message of a dump has (another
// device's SysEx) are left out; everything else goes in as it comes, so that the buffer counts
// the bytes of a dump while it arrives.
//
// While dumps are awaited, a complete header message starts the buffer over: what came before
// it can only be the rest of an earlier dump, which must not join this one.
class DumpInput {
 public:
  explicit DumpInput(ByteStream& buffer) : FBuffer(buffer) {}

  // Feeds the bytes of one input event.
  void Feed(std::span<const std::uint8_t> bytes);
  // Empties the buffer and forgets a message under way.
  void Clear();
  void SetAwaiting(bool awaiting) { FAwaiting = awaiting; }
  bool Awaiting() const { return FAwaiting; }

  // Set while dumps are taken one after another: called, while awaiting, once the bytes from
  // a header message reach a dump's size at the end of a message; the buffer is emptied after.
  std::function<void(std::span<const std::uint8_t> dump)> OnDump;
  // Called, while awaiting, with the bytes from a header message that the next header message
  // started over before they made a dump.
  std::function<void(std::span<const std::uint8_t> cutOff)> OnCutOff;

 private:
  void Append(std::uint8_t byte);
  void EndMessage();
  void StartOver(std::size_t headerStart);
  void Keep(std::size_t from, std::size_t to);

  ByteStream& FBuffer;
  bool FAwaiting = false;
  bool FInMessage = false;
  std::size_t FMessageStart = 0;
  // The buffer begins with a header message that this input took in whole.
  bool FFromHeader = false;
};

}  // namespace morvane::preset
