#include "engine/velocity_random.h"

namespace morvane::engine {

int TVelocityRandom::Draw(int n) {
  if (n <= 0) {
    return 0;
  }
  // Rejection keeps the draw uniform and the sequence independent of the
  // standard library's distribution code.
  const auto range = static_cast<std::uint32_t>(n);
  const std::uint32_t limit = std::mt19937::max() - std::mt19937::max() % range;
  std::uint32_t value = 0;
  do {
    value = static_cast<std::uint32_t>(generator_());
  } while (value >= limit);
  return static_cast<int>(value % range);
}

}  // namespace morvane::engine
