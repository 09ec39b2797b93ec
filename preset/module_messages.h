#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "byte_stream.h"

namespace morvane::preset {

// Every message to the module begins with these bytes and ends with 0xF7.
inline constexpr std::array<std::uint8_t, 5> kMessageHead{0xF0, 0x18, 0x0F, 0x00, 0x55};

// Commands (the bytes after the head).
inline constexpr std::array<std::uint8_t, 2> kParameterEditCommand{0x01, 0x02};
inline constexpr std::array<std::uint8_t, 2> kDumpRequestCommand{0x11, 0x04};
inline constexpr std::uint8_t kLayerCopyCommand = 0x25;
inline constexpr std::uint8_t kLayerMuteCommand = 0x32;
inline constexpr std::uint8_t kLayerUnmuteCommand = 0x33;

inline constexpr std::size_t kParameterEditSize = 12;
inline constexpr std::size_t kDumpRequestSize = 12;
inline constexpr std::size_t kLayerCopySize = 17;
inline constexpr std::size_t kLayerMuteSize = 9;

// Parameters with a fixed role, as (low, high).
inline constexpr std::uint8_t kFixedRoleHigh = 0x07;
inline constexpr std::uint8_t kPresetSelectLow = 0x01;
inline constexpr std::uint8_t kLayerSelectLow = 0x02;
inline constexpr std::uint8_t kFirstNameCharLow = 0x03;

// Preset number and layer index of the module's edit buffer and common block.
inline constexpr int kEditBufferPreset = -1;
inline constexpr int kCommonLayerIndex = -1;
inline constexpr int kChannelCount = 16;
inline constexpr int kRenameMessageCount = 18;

// A parameter number: the group (high byte) and the index in it (low byte), each 0..127.
struct ParamNumber {
  std::uint8_t low = 0;
  std::uint8_t high = 0;
};

// -1 (the edit buffer) while "BF" is ticked, else the channel index 0..15.
int PresetNumberFor(int channelIndex, bool bfTicked);
// layer 0 is the common block (-1), layers 1..4 give 0..3.
int LayerIndexFor(int layer);

// Throws std::out_of_range when either byte of the parameter is 0x80 or more.
Bytes ParameterEditMessage(ParamNumber param, int value);
Bytes PresetSelectMessage(int presetNumber);
Bytes LayerSelectMessage(int layerIndex);
Bytes DumpRequestMessage(int presetNumber);
Bytes LayerCopyMessage(int sourcePreset, int sourceLayerIndex, int targetPreset,
                       int targetLayerIndex);
Bytes LayerMuteMessage(int layerIndex);
Bytes LayerUnmuteMessage(int layerIndex);

// The preset-select, layer-select and parameter-edit strings that an edit of one
// layer (0 = common, 1..4) of the channel's preset sends, in sending order.
std::array<Bytes, 3> SendParameterMessages(ParamNumber param, int layer, int channelIndex,
                                           int value, bool bfTicked);

// Preset select, the layer -1 select, then one message per name character.
std::vector<Bytes> RenameMessages(std::string_view name, int presetNumber);

}  // namespace morvane::preset
