#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane::preset::testing {

// A 1605-byte dump whose every byte is distinct enough to trace: byte i holds i mod 101
// (below the decoder's negative threshold), framed at the places a dump has 0xF0/0xF7.
inline std::vector<std::uint8_t> TracingDump(std::size_t size = 1605) {
  std::vector<std::uint8_t> dump(size);
  for (std::size_t i = 0; i < size; ++i) {
    dump[i] = static_cast<std::uint8_t>(i % 101);
  }
  auto frame = [&dump, size](std::size_t start, std::size_t length) {
    if (start < size) {
      dump[start] = 0xF0;
    }
    if (start + length - 1 < size) {
      dump[start + length - 1] = 0xF7;
    }
  };
  frame(0, 36);
  for (std::size_t k = 0; k < 6; ++k) {
    frame(36 + 255 * k, 255);
  }
  frame(1566, 39);
  return dump;
}

}  // namespace morvane::preset::testing
