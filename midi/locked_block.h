#pragma once

#include <cstdint>

namespace morvane::midi {

// Memory the driver or its callback touches: zero-filled, at a fixed address for its
// whole life. The handle is what FreeLockedBlock takes back.
using BlockHandle = std::uintptr_t;
inline constexpr BlockHandle kNoBlock = 0;

struct LockedBlock {
  void* pointer = nullptr;
  BlockHandle handle = kNoBlock;
};

// Returns no pointer and no handle when the memory cannot be had.
LockedBlock AllocLockedBlock(std::uint16_t size) noexcept;
void FreeLockedBlock(BlockHandle handle) noexcept;

}  // namespace morvane::midi
