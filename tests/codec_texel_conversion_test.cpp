// Texel conversion: the tone curve and the clipping to a smaller locked
// level. (Whole-level texels with an odd pitch and the alpha bytes are
// checked through the texture building.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/colour_table.h"
#include "codec/image_decoder.h"
#include "codec/texel_conversion.h"
#include "support/codec_streams.h"

namespace {

using codec_test::Bytes;

class TexelConversion : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codec_test::codecReady()); }
};

TEST(ToneCurve, GainPoint55ContrastOne) {
  unsigned char curve[256];
  buildToneCurve(0.55f, 1.0f, curve);
  EXPECT_EQ(curve[255], 140);
  EXPECT_EQ(curve[128], 70);
  EXPECT_EQ(curve[100], 55);
  EXPECT_EQ(curve[1], 0);
  EXPECT_EQ(curve[0], 0);
  // Contrast clamps before the gain: with contrast 4, 200 goes to 255 and
  // then to 255 * 0.5.
  buildToneCurve(0.5f, 4.0f, curve);
  EXPECT_EQ(curve[200], 127);
  EXPECT_EQ(curve[100], 8);
  EXPECT_EQ(curve[50], 0);
}

TEST(ToneCurve, AppliesInsideTheRectangleClippedToTheImage) {
  decodedWidth = 4;
  decodedHeight = 2;
  Bytes plane(8, 255);
  plane.push_back(255);  // a byte past the image
  applyToneCurve(0.55f, 1.0f, plane.data(), 1, 0, 3, 5);
  EXPECT_EQ(plane, (Bytes{255, 140, 140, 255, 255, 140, 140, 255, 255}));
}

TEST_F(TexelConversion, ClippedWritesStayInsideASmallerLevel) {
  // A 4 x 4 image into a 2 x 3 level with pitch 8: exactly 2 x 3 texels.
  Bytes pixels(4 * 4 * 4, 0);
  for (int i = 0; i < 16; ++i) pixels[i * 4] = static_cast<std::uint8_t>(20 * i);
  std::vector<std::uint8_t> level(8 * 3 + 16, 0x11);
  convertToTexelsClipped(pixels.data(), 4, 4, level.data(), 8, 2, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) {
      std::uint32_t texel;
      std::memcpy(&texel, level.data() + y * 8 + x * 4, 4);
      EXPECT_EQ(texel, colourTable[colourIndex(pixels[(y * 4 + x) * 4], 0, 0)]);
    }
  }
  for (std::size_t i = 24; i < level.size(); ++i) EXPECT_EQ(level[i], 0x11) << i;

  const Bytes plane{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::vector<std::uint8_t> alpha(8 * 3 + 16, 0);
  writeAlphaChannelClipped(plane.data(), 4, 4, alpha.data(), 8, 2, 3, 3);
  EXPECT_EQ(alpha[3], 1);
  EXPECT_EQ(alpha[7], 2);
  EXPECT_EQ(alpha[8 + 3], 5);
  EXPECT_EQ(alpha[16 + 7], 10);
  for (std::size_t i = 24; i < alpha.size(); ++i) EXPECT_EQ(alpha[i], 0) << i;
  writeAlphaChannelClipped(plane.data(), 4, 4, alpha.data(), 8, 2, 3, 4);
  for (std::size_t i = 24; i < alpha.size(); ++i) EXPECT_EQ(alpha[i], 0) << "offset 4 writes nothing";
}

}  // namespace
