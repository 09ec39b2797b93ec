#include "tmrv.h"

#include <array>

#include "dump_frame.h"
#include "dump_layout.h"
#include "file_io.h"
#include "name_text.h"
#include "preset_errors.h"
#include "preset_file.h"
#include "value_codec.h"

namespace morvane::preset {

namespace {

constexpr int kCommonBase = 10;
constexpr int kCommonFirstLow = 0x10;
struct GroupStep {
  int fromGroup;
  int add;
};
constexpr std::array<GroupStep, 3> kCommonSteps{{{1, 104}, {2, 36}, {3, 32}}};
constexpr std::array<GroupStep, 4> kLayerSteps{{{5, 62}, {6, 6}, {7, 20}, {8, 84}}};
constexpr int kLayerNameSkip = 16;
constexpr int kLayerFirstLow = 1;
constexpr int kBytesPerValue = 2;
constexpr std::int8_t kLayerGeneralGroup = 4;
constexpr int kCopiedValueCount = 45;

}  // namespace

void tMrv::LoadPreset(const std::string& fileName) {
  const Bytes bytes = ReadWholeFile(fileName);
  // A file is taken by position alone, but one too short to unpack is named with what it lacks.
  if (bytes.size() < kMinUnpackSize) {
    throw NotAPresetError(fileName, PresetFileFault(bytes), false);
  }
  LoadPresetFromBytes(bytes);
}

void tMrv::LoadPresetFromStream(const ByteStream& stream) {
  LoadPresetFromBytes(stream.View());
}

void tMrv::LoadPresetFromBytes(std::span<const std::uint8_t> bytes) {
  tMrv loaded;
  loaded.Assign(Bytes(bytes.begin(), bytes.end()));
  loaded.Unpack();
  *this = std::move(loaded);
}

void tMrv::Unpack() {
  ByteStream raw(Bytes(View().begin(), View().end()));
  ByteStream payload;
  raw.Seek(static_cast<std::ptrdiff_t>(kFirstPacketDataOffset));
  for (std::size_t k = 0; k < kFullPacketCount; ++k) {
    payload.CopyFrom(raw, kFullPacketDataSize);
    raw.Seek(raw.Position() + static_cast<std::ptrdiff_t>(kPacketTrailerSize + kPacketHeaderSize));
  }
  payload.CopyFrom(raw, kFinalPacketDataSize);
  FRawDump = std::move(raw);
  static_cast<ByteStream&>(*this) = std::move(payload);
  Seek(0);
  FLayerStride = static_cast<std::int32_t>(kLayerBlockSize);
  FLayerBase = kLayerBase;
}

int tMrv::ParamOffset(std::int8_t group, int low, int layer) const {
  if (layer <= 0) {
    int base = kCommonBase;
    for (const GroupStep& step : kCommonSteps) {
      if (group >= step.fromGroup) {
        base += step.add;
      }
    }
    return base + kBytesPerValue * (low - kCommonFirstLow);
  }
  int start = (layer - 1) * FLayerStride + FLayerBase + kLayerNameSkip;
  for (const GroupStep& step : kLayerSteps) {
    if (group >= step.fromGroup) {
      start += step.add;
    }
  }
  return start + kBytesPerValue * (low - kLayerFirstLow);
}

int tMrv::ReadParam(std::int8_t group, int low, int layer) {
  Seek(ParamOffset(group, low, layer));
  std::array<std::uint8_t, kBytesPerValue> pair{};
  ReadBuffer(pair);
  return DecodeValue(pair[0], pair[1]);
}

void tMrv::WriteParam(std::int8_t group, int low, int layer, int value) {
  const int offset = ParamOffset(group, low, layer);
  // A value beyond the payload would never be sent or saved; refuse it rather than grow.
  if (offset < 0 || static_cast<std::size_t>(offset) + kBytesPerValue > Size()) {
    throw StreamWriteError();
  }
  const TwoByteValue pair = EncodeValue(value);
  Seek(offset);
  WriteByte(pair.low);
  WriteByte(pair.high);
}

std::string tMrv::ReadName() {
  std::string name(kNameSize, '\0');
  Seek(0);
  ReadBuffer(std::span(reinterpret_cast<std::uint8_t*>(name.data()), name.size()));
  return name;
}

void tMrv::WriteName(std::string_view name) {
  if (Size() < kNameSize) {
    throw StreamWriteError();
  }
  const std::string stored = NameForModule(name);
  for (std::size_t i = 0; i < kNameSize; ++i) {
    if (i == kUnwrittenNameIndex) {
      continue;
    }
    Seek(static_cast<std::ptrdiff_t>(i));
    WriteByte(static_cast<std::uint8_t>(stored[i]));
  }
}

void tMrv::CopyLayerParams(int sourceLayer, int targetLayer) {
  for (int index = 1; index <= kCopiedValueCount; ++index) {
    WriteParam(kLayerGeneralGroup, index, targetLayer,
               ReadParam(kLayerGeneralGroup, index, sourceLayer));
  }
}

void tMrv::SetPresetNumber(int presetNumber) {
  const TwoByteValue pair = EncodeValue(presetNumber);
  FRawDump.Seek(static_cast<std::ptrdiff_t>(kPresetNumberOffset));
  FRawDump.WriteByte(pair.low);
  FRawDump.WriteByte(pair.high);
}

Bytes tMrv::BuildDump() {
  const std::span<const std::uint8_t> raw = FRawDump.View();
  for (std::size_t i = kHeaderMessageSize; i < raw.size(); ++i) {
    if (raw[i] == kSysexEnd) {
      FRawDump.Seek(static_cast<std::ptrdiff_t>(i - 1));
      FRawDump.WriteByte(kChecksumPlaceholder);
    }
  }
  return AssembleDump();
}

Bytes tMrv::AssembleDump() const {
  const std::span<const std::uint8_t> raw = FRawDump.View();
  const std::span<const std::uint8_t> payload = View();
  if (raw.size() < kDumpSize || payload.size() < kPayloadSize) {
    throw StreamReadError();
  }
  Bytes dump;
  dump.reserve(kDumpSize);
  auto append = [&dump](std::span<const std::uint8_t> from, std::size_t offset, std::size_t count) {
    dump.insert(dump.end(), from.begin() + static_cast<std::ptrdiff_t>(offset),
                from.begin() + static_cast<std::ptrdiff_t>(offset + count));
  };
  append(raw, 0, kHeaderMessageSize);
  for (std::size_t k = 0; k <= kFullPacketCount; ++k) {
    const std::size_t packetOffset = kFirstPacketOffset + kFullPacketSize * k;
    const std::size_t dataSize = k < kFullPacketCount ? kFullPacketDataSize : kFinalPacketDataSize;
    append(raw, packetOffset, kPacketHeaderSize);
    append(payload, kFullPacketDataSize * k, dataSize);
    append(raw, packetOffset + kPacketHeaderSize + dataSize, kPacketTrailerSize);
  }
  return dump;
}

void tMrv::SavePreset(const std::string& fileName) const {
  WriteFileReplacing(fileName, AssembleDump());
}

}  // namespace morvane::preset
