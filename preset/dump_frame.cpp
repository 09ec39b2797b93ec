#include "dump_frame.h"

#include <array>

#include "dump_layout.h"
#include "value_codec.h"

namespace morvane::preset {

namespace {

constexpr std::uint8_t kDataByteLimit = 0x80;

struct MessagePlace {
  std::size_t offset;
  std::size_t size;
};

// Where the layout places each message of a dump.
constexpr std::array<MessagePlace, kPacketCount + 1> MessagePlaces() {
  std::array<MessagePlace, kPacketCount + 1> places{};
  places[kHeaderMessageNumber] = {0, kHeaderMessageSize};
  for (std::size_t k = 0; k < kPacketCount; ++k) {
    places[k + 1] = {kFirstPacketOffset + kFullPacketSize * k,
                     k < kFullPacketCount ? kFullPacketSize : kFinalPacketSize};
  }
  return places;
}
constexpr std::array<MessagePlace, kPacketCount + 1> kMessagePlaces = MessagePlaces();

// True when bytes hold a message from 0xF0 to 0xF7 at place, with only data bytes between.
bool IsMessageAt(std::span<const std::uint8_t> bytes, MessagePlace place) {
  if (place.offset + place.size > bytes.size()) {
    return false;
  }
  const std::size_t last = place.offset + place.size - 1;
  if (bytes[place.offset] != kSysexStart || bytes[last] != kSysexEnd) {
    return false;
  }
  for (std::size_t i = place.offset + 1; i < last; ++i) {
    if (bytes[i] >= kDataByteLimit) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<DumpFault> FindDumpFault(std::span<const std::uint8_t> bytes) {
  for (std::size_t message = 0; message < kMessagePlaces.size(); ++message) {
    if (!IsMessageAt(bytes, kMessagePlaces[message])) {
      return DumpFault{DumpFault::Kind::Message, message};
    }
  }
  if (bytes.size() > kDumpSize) {
    return DumpFault{DumpFault::Kind::TooLong, kPacketCount};
  }
  return std::nullopt;
}

bool IsFramedDump(std::span<const std::uint8_t> bytes) {
  return !FindDumpFault(bytes);
}

int DumpPresetNumber(std::span<const std::uint8_t> bytes) {
  return DecodeValue(bytes[kPresetNumberOffset], bytes[kPresetNumberOffset + 1]);
}

bool IsDumpMessageSize(std::size_t size) {
  return size == kHeaderMessageSize || size == kFullPacketSize || size == kFinalPacketSize;
}

std::string DumpMessageName(std::size_t message) {
  return message == kHeaderMessageNumber ? "header" : "packet " + std::to_string(message);
}

std::string PresetFileFault(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) {
    return "it is empty";
  }
  const std::optional<DumpFault> fault = FindDumpFault(bytes);
  if (!fault) {
    return {};
  }
  if (fault->kind == DumpFault::Kind::TooLong) {
    return "it holds " + std::to_string(bytes.size()) + " bytes, a preset " +
           std::to_string(kDumpSize);
  }
  if (fault->message == kHeaderMessageNumber) {
    return "it does not start with a SysEx header";
  }
  const MessagePlace place = kMessagePlaces[fault->message];
  if (place.offset + place.size > bytes.size()) {
    return "it ends after " + std::to_string(bytes.size()) + " of " + std::to_string(kDumpSize) +
           " bytes";
  }
  return "its " + DumpMessageName(fault->message) + " is damaged";
}

}  // namespace morvane::preset
