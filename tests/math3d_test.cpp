#include "render/math3d.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// (Products, aliased as the object transform uses them, and normalising in
// place, as the view matrix does, show in the scenes' call sequences and
// every golden frame.)

// Within 1e-7 of the expected vector: a kept near-unit vector (1.000001)
// would show a rescale to 1, and a zeroed one any other result.
TEST(Vec3Normalize, ScalesCopiesNearUnitAndZeroesTinyOrInvalidVectors) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    Vec3 in, out;
  } cases[] = {
      {{3, 4, 0}, {0.6f, 0.8f, 0}},
      {{0, 0, 1.000001f}, {0, 0, 1.000001f}},  // squared length 1.000002: inside the unit tolerance, kept
      {{0, 0, 1.00005f}, {0, 0, 1}},           // squared length 1.0001: rescaled
      {{1e-6f, 0, 0}, {0, 0, 0}},              // too short
      {{1.1e-5f, 0, 0}, {1, 0, 0}},            // just above the shortest squared length
      {{nan, 1, 0}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.in.x << " " << c.in.y << " " << c.in.z);
    Vec3 out{5, 5, 5};
    EXPECT_EQ(vec3Normalize(&out, &c.in), &out);
    EXPECT_NEAR(out.x, c.out.x, 1e-7f);
    EXPECT_NEAR(out.y, c.out.y, 1e-7f);
    EXPECT_NEAR(out.z, c.out.z, 1e-7f);
  }
}

}  // namespace
