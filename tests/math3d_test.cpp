#include "render/math3d.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

bool sameBits(const Mat4& a, const Mat4& b) { return std::memcmp(&a, &b, sizeof(Mat4)) == 0; }

Mat4 sample() {
  Mat4 m;
  const float values[16] = {1, 2, 3, 0.5f, -1, 4, 2, 0, 0.25f, -3, 1, 2, 7, -2, 5, 1};
  std::memcpy(&m, values, sizeof m);
  return m;
}

void expectElements(const Mat4& m, const float (&expected)[16], float tolerance) {
  float actual[16];
  std::memcpy(actual, &m, sizeof actual);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

TEST(Mat4Multiply, ProductAndAliasingGiveTheResultOfUnchangedInputs) {
  const Mat4 m = sample();
  Mat4 t;
  mat4Translation(&t, 4, 5, 6);

  Mat4 squared;
  mat4Multiply(&squared, &m, &m);
  Mat4 inPlace = m;
  mat4Multiply(&inPlace, &inPlace, &inPlace);
  EXPECT_TRUE(sameBits(inPlace, squared));
  EXPECT_FLOAT_EQ(squared._14, 1 * 0.5f + 2 * 0 + 3 * 2 + 0.5f * 1);  // row 0 by column 3, by hand

  Mat4 followed;
  mat4Multiply(&followed, &m, &t);
  Mat4 outIsA = m;
  mat4Multiply(&outIsA, &outIsA, &t);
  EXPECT_TRUE(sameBits(outIsA, followed));
  Mat4 outIsB = t;
  mat4Multiply(&outIsB, &m, &outIsB);
  EXPECT_TRUE(sameBits(outIsB, followed));
  EXPECT_EQ(mat4Multiply(&squared, &m, &t), &squared);
}

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
  Vec3 inPlace{0, -2, 0};
  vec3Normalize(&inPlace, &inPlace);
  EXPECT_EQ(inPlace.y, -1);
}

TEST(Mat4LookAtLH, LooksAlongPlusZAndDegradesToZeroColumnsForParallelUp) {
  const Vec3 eye{0, 0, -10}, at{0, 0, 0}, up{0, 1, 0};
  Mat4 view;
  EXPECT_EQ(mat4LookAtLH(&view, &eye, &at, &up), &view);
  expectElements(view, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1}, 0);

  // Up along the view direction: the x and y columns are zero.
  const Vec3 highEye{0, 5, 0}, straightUp{0, 2, 0};
  mat4LookAtLH(&view, &highEye, &at, &straightUp);
  expectElements(view, {0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 5, 1}, 0);
}

}  // namespace
