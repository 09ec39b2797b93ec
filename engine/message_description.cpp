#include "engine/message_description.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "engine/note_name.h"
#include "midi/my_midi_event.h"
#include "parammap/generic_list.h"
#include "parammap/param_map.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "preset/value_codec.h"

namespace morvane::engine {

namespace {

using preset::kMessageHead;

constexpr std::uint8_t kStatusMask = 0xF0;
constexpr std::uint8_t kChannelMask = 0x0F;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kPolyPressure = 0xA0;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kPitchBend = 0xE0;
constexpr std::uint8_t kSustainController = 64;
constexpr std::uint8_t kAllSoundOffController = 120;
constexpr int kPitchBendCentre = 8192;
constexpr int kDataBits = 7;

// Offsets inside the module's messages, after the five-byte head.
constexpr std::size_t kCommandOffset = kMessageHead.size();
constexpr std::size_t kParameterLowOffset = 7;
constexpr std::size_t kParameterHighOffset = 8;
constexpr std::size_t kEditValueOffset = 9;
constexpr std::size_t kRequestPresetOffset = 7;
constexpr std::size_t kCopyFieldsOffset = 6;
constexpr std::size_t kMuteLayerOffset = 6;
constexpr int kLastNameCharLow = preset::kFirstNameCharLow + preset::kNameSize - 1;
constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kLastPrintable = 0x7E;

template <typename Number>
std::string Decimal(Number number) {
  return std::to_string(number);
}

int ValueAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return preset::DecodeValue(bytes[offset], bytes[offset + 1]);
}

std::string LayerText(int layerIndex) {
  return layerIndex == preset::kCommonLayerIndex ? std::string("common")
                                                 : "layer " + std::to_string(layerIndex + 1);
}

std::string Known(const std::optional<int>& number, std::string (*text)(int)) {
  return number ? text(*number) : std::string("?");
}

std::string PresetText(int presetNumber) {
  return std::to_string(presetNumber);
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ':' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  return std::string(text);
}

// The name a value control or the generic list gives the parameter; empty when none does.
std::string ParameterName(int parameter) {
  for (const parammap::ControlSpec& control : parammap::Controls()) {
    if (control.parameter == parameter && !Trimmed(control.prefix).empty() &&
        control.prefix != parammap::kCordSourcePrefix &&
        control.prefix != parammap::kCordDestinationPrefix) {
      return Trimmed(control.prefix);
    }
  }
  static const std::vector<parammap::GenericEntry> generic = parammap::GenericParameterList();
  const auto entry = std::ranges::find(generic, parameter, &parammap::GenericEntry::parameter);
  return entry == generic.end() ? std::string() : Trimmed(entry->name);
}

std::string NoteText(std::uint8_t note) {
  return Trimmed(NoteName(note));
}

std::string DescribeChannelMessage(std::span<const std::uint8_t> bytes) {
  const std::uint8_t kind = bytes[0] & kStatusMask;
  const int channel = (bytes[0] & kChannelMask) + 1;
  const std::size_t needed = midi::ShortMessageLength(bytes[0]);
  if (bytes.size() < needed) {
    return "short message, cut short";
  }
  switch (kind) {
    case kNoteOff:
      return "note off ch " + Decimal(channel) + " " + NoteText(bytes[1]) + " vel " +
             Decimal(bytes[2]);
    case kNoteOn:
      return std::string(bytes[2] == 0 ? "note off" : "note on") + " ch " + Decimal(channel) + " " +
             NoteText(bytes[1]) + " vel " + Decimal(bytes[2]);
    case kPolyPressure:
      return "key pressure ch " + Decimal(channel) + " " + NoteText(bytes[1]) + " = " +
             Decimal(bytes[2]);
    case kControlChange:
      if (bytes[1] == kAllSoundOffController) {
        return "all sound off ch " + Decimal(channel);
      }
      if (bytes[1] == kSustainController) {
        return "sustain ch " + Decimal(channel) + " = " + Decimal(bytes[2]);
      }
      return "controller ch " + Decimal(channel) + " cc " + Decimal(bytes[1]) + " = " +
             Decimal(bytes[2]);
    case kProgramChange:
      return "program change ch " + Decimal(channel) + " " + Decimal(bytes[1]);
    case kChannelPressure:
      return "channel pressure ch " + Decimal(channel) + " = " + Decimal(bytes[1]);
    case kPitchBend:
      return "pitch bend ch " + Decimal(channel) + " " +
             Decimal(((bytes[2] << kDataBits) | bytes[1]) - kPitchBendCentre);
    default:
      return "system message " + HexText(bytes.first(1));
  }
}

bool HasModuleHead(std::span<const std::uint8_t> bytes) {
  return bytes.size() > kMessageHead.size() &&
         std::ranges::equal(bytes.first(kMessageHead.size()), kMessageHead) &&
         bytes.back() == preset::kSysexEnd;
}

}  // namespace

std::string HexText(std::span<const std::uint8_t> bytes) {
  static constexpr std::string_view kDigits = "0123456789ABCDEF";
  constexpr int kHighNibbleShift = 4;
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) {
      text += ' ';
    }
    text += kDigits[byte >> kHighNibbleShift];
    text += kDigits[byte & kChannelMask];
  }
  return text;
}

std::string TMessageDescriber::Describe(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) {
    return "empty";
  }
  if (bytes[0] < kNoteOff) {
    return "data bytes without a status";
  }
  if (bytes[0] != midi::kSysexStatus) {
    return DescribeChannelMessage(bytes);
  }
  if (!HasModuleHead(bytes)) {
    return "SysEx, " + Decimal(bytes.size()) + " bytes";
  }
  return DescribeModuleMessage(bytes);
}

std::string TMessageDescriber::DescribeModuleMessage(std::span<const std::uint8_t> bytes) {
  const std::span<const std::uint8_t> command = bytes.subspan(kCommandOffset);
  if (bytes.size() == preset::kParameterEditSize &&
      std::ranges::equal(command.first(2), preset::kParameterEditCommand)) {
    return DescribeParameterEdit(bytes);
  }
  if (bytes.size() == preset::kDumpRequestSize &&
      std::ranges::equal(command.first(2), preset::kDumpRequestCommand)) {
    return "dump request  preset " + Decimal(ValueAt(bytes, kRequestPresetOffset));
  }
  if (bytes.size() == preset::kLayerCopySize && command[0] == preset::kLayerCopyCommand) {
    std::array<int, 4> fields{};
    for (std::size_t field = 0; field < fields.size(); ++field) {
      fields[field] = ValueAt(bytes, kCopyFieldsOffset + 2 * field);
    }
    return "layer copy  preset " + Decimal(fields[0]) + " " + LayerText(fields[1]) +
           "  to preset " + Decimal(fields[2]) + " " + LayerText(fields[3]);
  }
  if (bytes.size() == preset::kLayerMuteSize &&
      (command[0] == preset::kLayerMuteCommand || command[0] == preset::kLayerUnmuteCommand)) {
    return std::string(command[0] == preset::kLayerMuteCommand ? "mute  " : "unmute  ") +
           LayerText(ValueAt(bytes, kMuteLayerOffset));
  }
  if (bytes.size() == preset::kDumpSize) {
    FPacketsSinceHeader = 0;
    return "preset dump  preset " + Decimal(ValueAt(bytes, preset::kPresetNumberOffset)) +
           "  header and " + Decimal(preset::kPacketCount) + " packets";
  }
  return DescribeDumpPart(bytes);
}

std::string TMessageDescriber::DescribeParameterEdit(std::span<const std::uint8_t> bytes) {
  const std::uint8_t low = bytes[kParameterLowOffset];
  const std::uint8_t high = bytes[kParameterHighOffset];
  const int value = ValueAt(bytes, kEditValueOffset);
  if (high == preset::kFixedRoleHigh && low == preset::kPresetSelectLow) {
    FPresetNumber = value;
    return "select preset " + Decimal(value);
  }
  if (high == preset::kFixedRoleHigh && low == preset::kLayerSelectLow) {
    FLayerIndex = value;
    return "select " + LayerText(value);
  }
  if (high == preset::kFixedRoleHigh && low >= preset::kFirstNameCharLow &&
      low <= kLastNameCharLow) {
    const std::uint8_t code = bytes[kEditValueOffset];
    const std::string shown = code >= kFirstPrintable && code <= kLastPrintable
                                  ? "'" + std::string(1, static_cast<char>(code)) + "'"
                                  : "code " + Decimal(code);
    return "name  preset " + Known(FPresetNumber, PresetText) + "  character " +
           Decimal(low - preset::kFirstNameCharLow + 1) + " " + shown;
  }
  const std::string name = ParameterName((high << kDataBits) | low);
  const std::array<std::uint8_t, 1> highByte{high};
  const std::array<std::uint8_t, 1> lowByte{low};
  return "edit  preset " + Known(FPresetNumber, PresetText) + "  " + Known(FLayerIndex, LayerText) +
         "  " + HexText(highByte) + ":" + HexText(lowByte) + (name.empty() ? "" : " ") + name +
         " = " + Decimal(value);
}

std::string TMessageDescriber::DescribeDumpPart(std::span<const std::uint8_t> bytes) {
  if (bytes.size() == preset::kHeaderMessageSize) {
    FPacketsSinceHeader = 0;
    return "dump header  preset " + Decimal(ValueAt(bytes, preset::kPresetNumberOffset));
  }
  if (bytes.size() == preset::kFullPacketSize || bytes.size() == preset::kFinalPacketSize) {
    ++FPacketsSinceHeader;
    return "dump packet " + Decimal(FPacketsSinceHeader) + " of " + Decimal(preset::kPacketCount);
  }
  return "module message, " + Decimal(bytes.size()) + " bytes";
}

}  // namespace morvane::engine
