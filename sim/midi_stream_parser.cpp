#include "midi_stream_parser.h"

namespace morvane::sim {

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kFirstRealtime = 0xF8;
constexpr std::uint8_t kFirstSystemCommon = 0xF0;
constexpr std::uint8_t kChannelStatusMask = 0xF0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kTimeCodeQuarterFrame = 0xF1;
constexpr std::uint8_t kSongPosition = 0xF2;
constexpr std::uint8_t kSongSelect = 0xF3;

std::size_t DataBytesAfter(std::uint8_t status) {
  if (status < kFirstSystemCommon) {
    const std::uint8_t kind = status & kChannelStatusMask;
    return kind == kProgramChange || kind == kChannelPressure ? 1 : 2;
  }
  switch (status) {
    case kTimeCodeQuarterFrame:
    case kSongSelect:
      return 1;
    case kSongPosition:
      return 2;
    default:
      return 0;  // tune request and the undefined ones
  }
}

}  // namespace

void MidiStreamParser::Discard() {
  ++discarded_;
  current_.clear();
  inSysex_ = false;
}

void MidiStreamParser::StartStatus(std::uint8_t status,
                                   std::vector<std::vector<std::uint8_t>>& completed) {
  // Whatever was under way is cut short: an open SysEx or a channel message missing data.
  if (inSysex_ || !current_.empty()) {
    Discard();
  }
  skippingSysex_ = false;
  if (status == kSysexStart) {
    inSysex_ = true;
    runningStatus_ = 0;
    current_.push_back(status);
    return;
  }
  if (status == kSysexEnd) {
    ++discarded_;
    runningStatus_ = 0;
    return;
  }
  expectedDataBytes_ = DataBytesAfter(status);
  // System common messages cancel running status; channel messages set it.
  runningStatus_ = status < kFirstSystemCommon ? status : 0;
  current_.push_back(status);
  if (expectedDataBytes_ == 0) {
    Complete(completed);
  }
}

void MidiStreamParser::Complete(std::vector<std::vector<std::uint8_t>>& completed) {
  // A copy, not a move: current_ keeps its storage for the next message, which would
  // otherwise grow again byte by byte (a dump packet: a dozen reallocations).
  completed.push_back(current_);
  current_.clear();
}

void MidiStreamParser::Feed(std::span<const std::uint8_t> bytes,
                            std::vector<std::vector<std::uint8_t>>& completed) {
  for (const std::uint8_t byte : bytes) {
    if (byte >= kFirstRealtime) {
      continue;
    }
    if (byte == kSysexEnd && (inSysex_ || skippingSysex_)) {
      if (inSysex_) {
        current_.push_back(byte);
        Complete(completed);
        inSysex_ = false;
      }
      skippingSysex_ = false;
      continue;
    }
    if ((byte & kStatusBit) != 0) {
      StartStatus(byte, completed);
      continue;
    }
    if (skippingSysex_) {
      continue;
    }
    if (inSysex_) {
      if (current_.size() >= kMaxSysexSize) {
        Discard();
        skippingSysex_ = true;
        continue;
      }
      current_.push_back(byte);
      continue;
    }
    if (current_.empty()) {
      if (runningStatus_ == 0) {
        ++discarded_;
        continue;
      }
      current_.push_back(runningStatus_);
      expectedDataBytes_ = DataBytesAfter(runningStatus_);
    }
    current_.push_back(byte);
    if (current_.size() == expectedDataBytes_ + 1) {
      Complete(completed);
    }
  }
}

}  // namespace morvane::sim
