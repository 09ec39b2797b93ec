#pragma once

#include <cstdint>
#include <random>

namespace morvane::engine {

// Draws of the velocity spread. The generator starts from the same fixed seed
// in every engine, so a session's velocities repeat from one start to the next.
class TVelocityRandom {
 public:
  // A uniformly distributed integer in 0 .. n - 1; 0 when n is 0 or less.
  int Draw(int n);

 private:
  static constexpr std::uint32_t kSeed = 0x4D52560A;
  std::mt19937 generator_{kSeed};
};

}  // namespace morvane::engine
