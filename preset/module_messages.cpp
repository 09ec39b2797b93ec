#include "module_messages.h"

#include <stdexcept>

#include "dump_layout.h"
#include "name_text.h"
#include "value_codec.h"

namespace morvane::preset {

namespace {

constexpr std::uint8_t kParamByteLimit = 0x80;
constexpr std::array<std::uint8_t, 2> kZeroValue{0x00, 0x00};

class MessageWriter {
 public:
  MessageWriter() { bytes_.assign(kMessageHead.begin(), kMessageHead.end()); }
  MessageWriter& Byte(std::uint8_t byte) {
    bytes_.push_back(byte);
    return *this;
  }
  MessageWriter& Raw(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  MessageWriter& Value(int value) {
    const TwoByteValue pair = EncodeValue(value);
    return Byte(pair.low).Byte(pair.high);
  }
  Bytes Finish() {
    bytes_.push_back(kSysexEnd);
    return std::move(bytes_);
  }

 private:
  Bytes bytes_;
};

}  // namespace

int PresetNumberFor(int channelIndex, bool bfTicked) {
  return bfTicked ? kEditBufferPreset : channelIndex;
}

int LayerIndexFor(int layer) {
  return layer <= 0 ? kCommonLayerIndex : layer - 1;
}

Bytes ParameterEditMessage(ParamNumber param, int value) {
  if (param.low >= kParamByteLimit || param.high >= kParamByteLimit) {
    throw std::out_of_range("Invalid parameter number");
  }
  return MessageWriter()
      .Raw(kParameterEditCommand)
      .Byte(param.low)
      .Byte(param.high)
      .Value(value)
      .Finish();
}

Bytes PresetSelectMessage(int presetNumber) {
  return ParameterEditMessage({kPresetSelectLow, kFixedRoleHigh}, presetNumber);
}

Bytes LayerSelectMessage(int layerIndex) {
  return ParameterEditMessage({kLayerSelectLow, kFixedRoleHigh}, layerIndex);
}

Bytes DumpRequestMessage(int presetNumber) {
  return MessageWriter().Raw(kDumpRequestCommand).Value(presetNumber).Raw(kZeroValue).Finish();
}

Bytes LayerCopyMessage(int sourcePreset, int sourceLayerIndex, int targetPreset,
                       int targetLayerIndex) {
  return MessageWriter()
      .Byte(kLayerCopyCommand)
      .Value(sourcePreset)
      .Value(sourceLayerIndex)
      .Value(targetPreset)
      .Value(targetLayerIndex)
      .Raw(kZeroValue)
      .Finish();
}

Bytes LayerMuteMessage(int layerIndex) {
  return MessageWriter().Byte(kLayerMuteCommand).Value(layerIndex).Finish();
}

Bytes LayerUnmuteMessage(int layerIndex) {
  return MessageWriter().Byte(kLayerUnmuteCommand).Value(layerIndex).Finish();
}

std::array<Bytes, 3> SendParameterMessages(ParamNumber param, int layer, int channelIndex,
                                           int value, bool bfTicked) {
  Bytes edit = ParameterEditMessage(param, value);
  return {PresetSelectMessage(PresetNumberFor(channelIndex, bfTicked)),
          LayerSelectMessage(LayerIndexFor(layer)), std::move(edit)};
}

std::vector<Bytes> RenameMessages(std::string_view name, int presetNumber) {
  std::vector<Bytes> messages;
  messages.reserve(kRenameMessageCount);
  messages.push_back(PresetSelectMessage(presetNumber));
  messages.push_back(LayerSelectMessage(kCommonLayerIndex));
  const std::string stored = NameForModule(name);
  for (std::size_t i = 0; i < kNameSize; ++i) {
    const ParamNumber param{static_cast<std::uint8_t>(kFirstNameCharLow + i), kFixedRoleHigh};
    messages.push_back(ParameterEditMessage(param, static_cast<std::uint8_t>(stored[i])));
  }
  return messages;
}

}  // namespace morvane::preset
