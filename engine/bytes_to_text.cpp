#include "engine/bytes_to_text.h"

#include <algorithm>

namespace morvane::engine {

std::vector<std::uint8_t> BytesToText(std::span<const std::uint8_t> bytes, std::uint16_t count) {
  const std::size_t taken =
      std::min({static_cast<std::size_t>(count), kBytesToTextLimit, bytes.size()});
  return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken)};
}

}  // namespace morvane::engine
