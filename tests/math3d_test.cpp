#include "render/math3d.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

struct Vec4 {
  float x, y, z, w;
};

// p · M for the row vector (p, 1).
Vec4 transformPoint(const Mat4& m, float x, float y, float z) {
  return Vec4{x * m._11 + y * m._21 + z * m._31 + m._41, x * m._12 + y * m._22 + z * m._32 + m._42,
              x * m._13 + y * m._23 + z * m._33 + m._43, x * m._14 + y * m._24 + z * m._34 + m._44};
}

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
  // Row 0 of m · m by hand.
  EXPECT_FLOAT_EQ(squared._11, 1 * 1 + 2 * -1 + 3 * 0.25f + 0.5f * 7);
  EXPECT_FLOAT_EQ(squared._14, 1 * 0.5f + 2 * 0 + 3 * 2 + 0.5f * 1);

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

TEST(Vec3Normalize, ScalesCopiesNearUnitAndZeroesTinyOrInvalidVectors) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    Vec3 in, out;
    float tolerance;  // 0: bit for bit; zeros are always exact
  } cases[] = {
      {{3, 4, 0}, {0.6f, 0.8f, 0}, 1e-7f},
      {{0, 0, 1.000001f}, {0, 0, 1.000001f}, 0},  // squared length 1.000002: inside the unit tolerance, kept
      {{0, 0, 1.00005f}, {0, 0, 1}, 1e-7f},       // squared length 1.0001: rescaled
      {{1e-6f, 0, 0}, {0, 0, 0}, 0},              // too short
      {{1.1e-5f, 0, 0}, {1, 0, 0}, 1e-7f},        // just above the shortest squared length
      {{nan, 1, 0}, {0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.in.x << " " << c.in.y << " " << c.in.z);
    Vec3 out{5, 5, 5};
    EXPECT_EQ(vec3Normalize(&out, &c.in), &out);
    const float actual[3] = {out.x, out.y, out.z}, expected[3] = {c.out.x, c.out.y, c.out.z};
    for (int i = 0; i < 3; ++i) {
      if (expected[i] == 0) {
        EXPECT_EQ(actual[i], 0.0f) << i;
      } else if (c.tolerance == 0) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(actual[i]), std::bit_cast<std::uint32_t>(expected[i])) << i;
      } else {
        EXPECT_NEAR(actual[i], expected[i], c.tolerance) << i;
      }
    }
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

  // A point in front of the eye ends up on the positive view z axis.
  const Vec3 sideEye{10, 0, 0};
  mat4LookAtLH(&view, &sideEye, &at, &up);
  const Vec4 origin = transformPoint(view, 0, 0, 0);
  EXPECT_NEAR(origin.x, 0, 1e-5);
  EXPECT_NEAR(origin.y, 0, 1e-5);
  EXPECT_NEAR(origin.z, 10, 1e-5);
  const Vec4 above = transformPoint(view, 0, 3, 0);
  EXPECT_NEAR(above.y, 3, 1e-5);

  // Up along the view direction: the x and y columns are zero.
  const Vec3 highEye{0, 5, 0}, straightUp{0, 2, 0};
  mat4LookAtLH(&view, &highEye, &at, &straightUp);
  expectElements(view, {0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0, 0, 5, 1}, 0);
}

}  // namespace
