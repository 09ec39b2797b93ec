#include "dump_input.h"

#include "dump_frame.h"
#include "dump_layout.h"

namespace morvane::preset {

namespace {

constexpr std::uint8_t kFirstRealTime = 0xF8;

}  // namespace

void DumpInput::Clear() {
  FBuffer.Clear();
  FInMessage = false;
  FMessageStart = 0;
  FFromHeader = false;
}

void DumpInput::Feed(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (byte >= kFirstRealTime) {
      continue;
    }
    if (byte == kSysexStart) {
      FInMessage = true;
      FMessageStart = FBuffer.Size();
    }
    Append(byte);
    if (byte == kSysexEnd && FInMessage) {
      FInMessage = false;
      EndMessage();
    }
  }
}

void DumpInput::Append(std::uint8_t byte) {
  FBuffer.Seek(static_cast<std::ptrdiff_t>(FBuffer.Size()));
  FBuffer.WriteByte(byte);
}

void DumpInput::EndMessage() {
  const std::size_t size = FBuffer.Size() - FMessageStart;
  if (!IsDumpMessageSize(size)) {
    Keep(0, FMessageStart);
    return;
  }
  if (!FAwaiting) {
    return;
  }
  if (size == kHeaderMessageSize) {
    StartOver(FMessageStart);
    return;
  }
  if (OnDump && FFromHeader && FBuffer.Size() >= kDumpSize) {
    const Bytes dump(FBuffer.View().begin(), FBuffer.View().end());
    Clear();
    // The handler may change the handlers.
    const auto onDump = OnDump;
    onDump(dump);
  }
}

void DumpInput::StartOver(std::size_t headerStart) {
  if (headerStart > 0) {
    if (FFromHeader && OnCutOff) {
      const Bytes cutOff(FBuffer.View().begin(),
                         FBuffer.View().begin() + static_cast<std::ptrdiff_t>(headerStart));
      Keep(headerStart, FBuffer.Size());
      FFromHeader = true;
      const auto onCutOff = OnCutOff;
      onCutOff(cutOff);
      return;
    }
    Keep(headerStart, FBuffer.Size());
  }
  FFromHeader = true;
}

void DumpInput::Keep(std::size_t from, std::size_t to) {
  const auto view = FBuffer.View();
  FBuffer.Assign(Bytes(view.begin() + static_cast<std::ptrdiff_t>(from),
                       view.begin() + static_cast<std::ptrdiff_t>(to)));
  FMessageStart = 0;
}

}  // namespace morvane::preset
