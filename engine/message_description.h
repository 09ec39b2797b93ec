#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace morvane::engine {

// The bytes as upper-case hexadecimal pairs separated by single blanks.
std::string HexText(std::span<const std::uint8_t> bytes);

// Names the messages of one direction, in the order they pass. A parameter edit names the
// preset and layer that the selections before it chose, and a dump's packets are counted from
// its header, so one describer serves one port.
class TMessageDescriber {
 public:
  std::string Describe(std::span<const std::uint8_t> bytes);

 private:
  std::string DescribeModuleMessage(std::span<const std::uint8_t> bytes);
  std::string DescribeParameterEdit(std::span<const std::uint8_t> bytes);
  std::string DescribeDumpPart(std::span<const std::uint8_t> bytes);

  std::optional<int> FPresetNumber;
  std::optional<int> FLayerIndex;
  int FPacketsSinceHeader = 0;
};

}  // namespace morvane::engine
