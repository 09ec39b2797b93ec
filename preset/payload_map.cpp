#include "payload_map.h"

#include <array>

#include "dump_layout.h"

namespace morvane::preset {

namespace {

struct BlockGroup {
  std::size_t begin;  // offset where the group's first value lies
  std::size_t end;
  std::uint8_t high;
  std::uint8_t firstLow;
};

constexpr std::array<BlockGroup, 4> kCommonGroups{{
    {16, 114, 0x07, 0x13},
    {114, 150, 0x08, 0x10},
    {150, 182, 0x09, 0x10},
    {182, kCommonBlockSize, 0x0A, 0x10},
}};

constexpr std::array<BlockGroup, 5> kLayerGroups{{
    {0, 62, 0x0B, 0x01},
    {62, 68, 0x0C, 0x01},
    {68, 88, 0x0D, 0x01},
    {88, 172, 0x0E, 0x01},
    {172, kLayerBlockSize, 0x0F, 0x01},
}};

template <std::size_t N>
std::optional<ParamNumber> Lookup(const std::array<BlockGroup, N>& groups, std::size_t offset) {
  for (const BlockGroup& group : groups) {
    if (offset >= group.begin && offset < group.end) {
      return ParamNumber{static_cast<std::uint8_t>(group.firstLow + (offset - group.begin) / 2),
                         group.high};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ParamLocation> ParamAtOffset(std::size_t offset) {
  if (offset % 2 != 0 || offset >= kPayloadSize) {
    return std::nullopt;
  }
  if (offset < kCommonBlockSize) {
    const auto param = Lookup(kCommonGroups, offset);
    if (!param) {
      return std::nullopt;
    }
    return ParamLocation{0, *param};
  }
  const std::size_t inLayers = offset - kCommonBlockSize;
  const auto param = Lookup(kLayerGroups, inLayers % kLayerBlockSize);
  return ParamLocation{static_cast<int>(inLayers / kLayerBlockSize) + 1, *param};
}

}  // namespace morvane::preset
