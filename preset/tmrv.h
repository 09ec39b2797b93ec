#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "byte_stream.h"

namespace morvane::preset {

// One preset image: its own bytes are the 1492-byte payload, FRawDump the dump it came from.
class tMrv : public ByteStream {
 public:
  void LoadPreset(const std::string& fileName);
  // Takes the whole stream from its start. The image is unchanged when it fails.
  void LoadPresetFromStream(const ByteStream& stream);
  void LoadPresetFromBytes(std::span<const std::uint8_t> bytes);
  void Unpack();

  int ParamOffset(std::int8_t group, int low, int layer) const;
  int ReadParam(std::int8_t group, int low, int layer);
  void WriteParam(std::int8_t group, int low, int layer, int value);

  std::string ReadName();
  void WriteName(std::string_view name);

  void CopyLayerParams(int sourceLayer, int targetLayer);
  void SetPresetNumber(int presetNumber);
  Bytes BuildDump();
  void SavePreset(const std::string& fileName) const;

  const ByteStream& RawDump() const { return FRawDump; }

 private:
  Bytes AssembleDump() const;

  ByteStream FRawDump;
  std::int32_t FLayerStride = 0;
  std::int32_t FLayerBase = 0;
};

// High byte of the preset-wide parameters; the group selector counts from it.
inline constexpr std::uint8_t kCommonHighByte = 0x07;

// The group selector of a parameter's high byte, computed in 8 bits.
constexpr std::int8_t GroupOf(std::uint8_t high) {
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(high - kCommonHighByte));
}

}  // namespace morvane::preset
