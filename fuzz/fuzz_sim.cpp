// Arbitrary MIDI byte streams, cut into arbitrary chunks, fed to the simulated module.
#include <cstddef>
#include <cstdint>
#include <span>

#include "preset/dump_layout.h"
#include "sim/simulated_module.h"

namespace {

constexpr std::uint8_t kChunkSizeMask = 0x3F;

// The module as it starts, built once: building its seventeen presets costs more than
// most inputs. Each input starts from a copy assigned over the previous one, which
// reuses the previous one's storage.
morvane::sim::SimulatedModule& FreshModule() {
  static const morvane::sim::SimulatedModule pristine;
  static morvane::sim::SimulatedModule module;
  module = pristine;
  return module;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  morvane::sim::SimulatedModule& module = FreshModule();
  const std::span<const std::uint8_t> input(data, size);
  std::size_t offset = 0;
  // The first byte of each chunk tells the chunk's length, so chunking is fuzzed too.
  while (offset < input.size()) {
    const std::size_t chunk = 1 + (input[offset] & kChunkSizeMask);
    const std::size_t end = offset + 1 + chunk < input.size() ? offset + 1 + chunk : input.size();
    for (const auto& reply : module.Receive(input.subspan(offset + 1, end - offset - 1))) {
      if (reply.empty() || reply.front() != morvane::preset::kSysexStart ||
          reply.back() != morvane::preset::kSysexEnd) {
        __builtin_trap();
      }
    }
    offset = end;
  }
  return 0;
}
