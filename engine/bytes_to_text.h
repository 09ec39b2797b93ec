#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace morvane::engine {

inline constexpr std::size_t kBytesToTextLimit = 2000;

// The first min(count, 2000) bytes as a byte string. A count larger than the
// bytes actually given is cut to what is there.
std::vector<std::uint8_t> BytesToText(std::span<const std::uint8_t> bytes, std::uint16_t count);

}  // namespace morvane::engine
