#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/d3d8/edge_walk.h"

namespace {

using raster::FloorWalk;

// q is floor(n / d) exactly when q * d <= n < (q + 1) * d.
bool isFloor(std::int64_t q, std::int64_t n, std::int64_t d) {
  const __int128 low = static_cast<__int128>(q) * d;
  return low <= n && n < low + d;
}

// Edge-sized values: numerators of 28.4 products, divisors up to 16 * 2^20,
// steps of either sign and larger or smaller than the divisor. The walk
// starts at floorDivide(n0, d), so its first value checks that too.
TEST(EdgeWalk, EveryStepMatchesDirectDivision) {
  std::mt19937_64 random(11);
  std::uniform_int_distribution<std::int64_t> start(-(std::int64_t{1} << 40), std::int64_t{1} << 40);
  std::uniform_int_distribution<int> bits(1, 24);
  for (int walk = 0; walk < 3000; ++walk) {
    const std::int64_t d = std::max<std::int64_t>(1, static_cast<std::int64_t>(random() >> (64 - bits(random))));
    // Steps up to twice the largest divisor.
    std::int64_t step = static_cast<std::int64_t>(random() >> (64 - bits(random) - 1));
    if (random() & 1) step = -step;
    const std::int64_t n0 = start(random);
    FloorWalk w(n0, step, d);
    for (int k = 0; k < 200; ++k) {
      const std::int64_t n = n0 + step * k;
      ASSERT_TRUE(isFloor(w.value(), n, d)) << "n0 " << n0 << " step " << step << " d " << d << " k " << k;
      w.advance();
    }
  }
}

}  // namespace
