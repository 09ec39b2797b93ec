#include "initial_preset.h"

#include <array>

#include "dump_layout.h"
#include "module_messages.h"
#include "tmrv.h"
#include "value_codec.h"

namespace morvane::preset {

namespace {

// Our own header message: command, format version, preset number, packet count, payload size.
constexpr std::uint8_t kDumpHeaderCommand = 0x10;
constexpr std::uint8_t kDumpPacketCommand = 0x12;
constexpr std::uint8_t kDumpFormatVersion = 0x01;
constexpr std::size_t kBytesPerValue = 2;

constexpr std::uint8_t kLayerGeneralHigh = 0x0B;
constexpr std::uint8_t kFilterHigh = 0x0C;
constexpr std::uint8_t kEnvelopeHigh = 0x0E;
constexpr std::uint8_t kFilterTypeLow = 0x01;
constexpr int kFilterOffCode = 127;
// The filter and auxiliary envelopes' mode: 1 is "time" (0 lies outside its range).
constexpr std::array<std::uint8_t, 2> kEnvelopeModeLow{0x0E, 0x1B};
constexpr int kTimeMode = 1;
constexpr std::uint8_t kInstrumentLow = 0x01;
constexpr std::uint8_t kKeyHighLow = 0x07;
constexpr std::uint8_t kVelocityHighLow = 0x0B;
constexpr std::uint8_t kRealtimeHighLow = 0x0F;
constexpr std::uint8_t kBendRangeLow = 0x17;
constexpr int kTopOfRange = 127;
constexpr int kDefaultBendRange = 2;
constexpr int kFirstLayerInstrument = 1;

// First rate of the amplifier, filter and auxiliary envelopes; levels of the
// attack and decay stages follow their rates at odd offsets 1, 3, 7, 9.
constexpr std::array<std::uint8_t, 3> kEnvelopeFirstRateLow{0x02, 0x0F, 0x1C};
constexpr std::array<int, 4> kSoundingLevelSteps{1, 3, 7, 9};
constexpr int kFullLevel = 100;

void Append(Bytes& bytes, std::span<const std::uint8_t> more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes EmptyDump() {
  Bytes dump;
  dump.reserve(kDumpSize);
  Append(dump, kMessageHead);
  dump.push_back(kDumpHeaderCommand);
  dump.push_back(kDumpFormatVersion);
  const TwoByteValue preset = EncodeValue(kEditBufferPreset);
  const TwoByteValue packets = EncodeValue(static_cast<int>(kPacketCount));
  const TwoByteValue payloadSize = EncodeValue(static_cast<int>(kPayloadSize));
  for (const TwoByteValue& pair : {preset, packets, payloadSize}) {
    dump.push_back(pair.low);
    dump.push_back(pair.high);
  }
  dump.resize(kHeaderMessageSize - 1, 0x00);
  dump.push_back(kSysexEnd);

  for (std::size_t k = 0; k < kPacketCount; ++k) {
    const std::size_t dataSize = k < kFullPacketCount ? kFullPacketDataSize : kFinalPacketDataSize;
    Append(dump, kMessageHead);
    dump.push_back(kDumpPacketCommand);
    const TwoByteValue number = EncodeValue(static_cast<int>(k));
    dump.push_back(number.low);
    dump.push_back(number.high);
    dump.push_back(static_cast<std::uint8_t>(dataSize / kBytesPerValue));
    dump.insert(dump.end(), dataSize, 0x00);
    dump.push_back(kChecksumPlaceholder);
    dump.push_back(kSysexEnd);
  }
  return dump;
}

}  // namespace

Bytes BuildInitialPreset() {
  tMrv image;
  image.LoadPresetFromBytes(EmptyDump());
  image.Seek(0);
  for (std::size_t i = 0; i < kNameSize; ++i) {
    image.WriteByte(static_cast<std::uint8_t>(kInitialPresetName[i]));
  }
  const std::int8_t general = GroupOf(kLayerGeneralHigh);
  const std::int8_t filter = GroupOf(kFilterHigh);
  const std::int8_t envelope = GroupOf(kEnvelopeHigh);
  for (int layer = 1; layer <= kLayerCount; ++layer) {
    image.WriteParam(general, kInstrumentLow, layer, layer == 1 ? kFirstLayerInstrument : 0);
    for (std::uint8_t low : {kKeyHighLow, kVelocityHighLow, kRealtimeHighLow}) {
      image.WriteParam(general, low, layer, kTopOfRange);
    }
    image.WriteParam(general, kBendRangeLow, layer, kDefaultBendRange);
    image.WriteParam(filter, kFilterTypeLow, layer, kFilterOffCode);
    for (std::uint8_t modeLow : kEnvelopeModeLow) {
      image.WriteParam(envelope, modeLow, layer, kTimeMode);
    }
    for (std::uint8_t firstRate : kEnvelopeFirstRateLow) {
      for (int step : kSoundingLevelSteps) {
        image.WriteParam(envelope, firstRate + step, layer, kFullLevel);
      }
    }
  }
  return image.BuildDump();
}

}  // namespace morvane::preset
