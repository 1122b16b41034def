#include "capture/yuv420_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct Ycc {
  int y, cb, cr;
};

// BT.601, limited range, in floating point.
Ycc reference(double r, double g, double b) {
  const double y = 0.299 * r + 0.587 * g + 0.114 * b;
  return {static_cast<int>(std::lround(16 + y * 219 / 255)),
          static_cast<int>(std::lround(128 + (b - y) / 1.772 * 224 / 255)),
          static_cast<int>(std::lround(128 + (r - y) / 1.402 * 224 / 255))};
}

// A frame of 2 x 2 pixels, all of one colour (B, G, R, A bytes).
std::vector<std::uint8_t> convertBlock(const std::vector<std::uint32_t>& argb, int width, int height, int pitchPixels) {
  std::vector<std::uint8_t> out(yuv420FrameBytes(width, height));
  convertToYuv420(reinterpret_cast<const std::uint8_t*>(argb.data()), width, height,
                  static_cast<std::size_t>(pitchPixels) * 4, out.data());
  return out;
}

}  // namespace

TEST(Yuv420Frame, GreysAndPrimariesAreBt601InTheLimitedRange) {
  // Black and white at the ends of the range, greys with neutral chroma.
  for (int level : {0, 1, 64, 127, 128, 200, 254, 255}) {
    const std::uint32_t grey = 0xFF000000u | level << 16 | level << 8 | level;
    const std::vector<std::uint8_t> out = convertBlock(std::vector<std::uint32_t>(4, grey), 2, 2, 2);
    const Ycc expected = reference(level, level, level);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], expected.y) << level;
    EXPECT_EQ(out[4], 128) << level;
    EXPECT_EQ(out[5], 128) << level;
  }
  EXPECT_EQ(convertBlock(std::vector<std::uint32_t>(4, 0xFF000000u), 2, 2, 2)[0], 16);
  EXPECT_EQ(convertBlock(std::vector<std::uint32_t>(4, 0xFFFFFFFFu), 2, 2, 2)[0], 235);
  // Saturated and mixed colours within one step of the exact values.
  for (std::uint32_t colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu,
                               0xFF336699u, 0xFFC08040u, 0xFF102030u}) {
    const std::vector<std::uint8_t> out = convertBlock(std::vector<std::uint32_t>(4, colour), 2, 2, 2);
    const Ycc expected = reference(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF);
    EXPECT_LE(std::abs(out[0] - expected.y), 1) << std::hex << colour;
    EXPECT_LE(std::abs(out[4] - expected.cb), 1) << std::hex << colour;
    EXPECT_LE(std::abs(out[5] - expected.cr), 1) << std::hex << colour;
    EXPECT_TRUE(out[4] >= 16 && out[4] <= 240 && out[5] >= 16 && out[5] <= 240) << std::hex << colour;
  }
}

TEST(Yuv420Frame, ChromaIsEachBlocksAverageAndPlanesFollowEachOther) {
  // 4 x 2 pixels in rows 6 pixels apart: the left block half red, half
  // blue; the right block green; the padding and alpha must not count.
  const std::uint32_t red = 0x00FF0000u, blue = 0x120000FFu, green = 0xFF00FF00u, junk = 0xFFFFFFFFu;
  const std::vector<std::uint32_t> frame = {red, blue, green, green, junk, junk,  //
                                            blue, red, green, green, junk, junk};
  const std::vector<std::uint8_t> out = convertBlock(frame, 4, 2, 6);
  ASSERT_EQ(out.size(), 8u + 2u + 2u);
  const Ycc r = reference(255, 0, 0), b = reference(0, 0, 255), g = reference(0, 255, 0);
  const Ycc mixed = reference(127.5, 0, 127.5);
  const int expectedLuma[8] = {r.y, b.y, g.y, g.y, b.y, r.y, g.y, g.y};
  for (int i = 0; i < 8; ++i) EXPECT_LE(std::abs(out[i] - expectedLuma[i]), 1) << i;
  EXPECT_LE(std::abs(out[8] - mixed.cb), 1);   // Cb of the left block
  EXPECT_LE(std::abs(out[9] - g.cb), 1);       // Cb of the right block
  EXPECT_LE(std::abs(out[10] - mixed.cr), 1);  // Cr of the left block
  EXPECT_LE(std::abs(out[11] - g.cr), 1);      // Cr of the right block
}

// Eight columns at a time, the rest one by one: random frames at every even
// width up to 34 (and rows padded) must give exactly the bytes of the
// one-pixel-at-a-time conversion, extremes included.
TEST(Yuv420Frame, TheVectorPathEqualsThePixelByPixelConversion) {
  std::uint32_t state = 7;
  for (int width = 2; width <= 34; width += 2) {
    const int height = 4;
    const std::size_t pitch = static_cast<std::size_t>(width) * 4 + 12;
    std::vector<std::uint8_t> frame(pitch * height);
    for (std::size_t i = 0; i < frame.size(); ++i) {
      state = state * 1103515245u + 12345u;
      const std::uint8_t noise = static_cast<std::uint8_t>(state >> 16);
      frame[i] = i % 7 == 0 ? 255 : i % 11 == 0 ? 0 : noise;
    }
    std::vector<std::uint8_t> fast(yuv420FrameBytes(width, height)), reference(fast.size());
    convertToYuv420(frame.data(), width, height, pitch, fast.data());
    convertToYuv420OnePixelAtATime(frame.data(), width, height, pitch, reference.data());
    EXPECT_EQ(fast, reference) << "width " << width;
  }
}
