#include "midi/locked_block.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace morvane::midi {

namespace {
// Blocks are aligned for any field the driver or its callback keeps in them.
constexpr std::size_t kBlockAlignment = alignof(std::max_align_t);
}  // namespace

LockedBlock AllocLockedBlock(std::uint16_t size) noexcept {
  const std::size_t bytes = size == 0 ? 1 : size;
  void* pointer = ::operator new (bytes, std::align_val_t{kBlockAlignment}, std::nothrow);
  if (pointer == nullptr) {
    return {};
  }
  std::memset(pointer, 0, bytes);
  return {pointer, reinterpret_cast<BlockHandle>(pointer)};
}

void FreeLockedBlock(BlockHandle handle) noexcept {
  if (handle != kNoBlock) {
    ::operator delete (reinterpret_cast<void*>(handle), std::align_val_t{kBlockAlignment});
  }
}

}  // namespace morvane::midi
