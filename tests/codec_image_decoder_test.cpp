// The image decoder: expansion arithmetic, detail corrections, raw and grid
// luma, chroma placement, one- and three-channel layouts, container
// clamping and sizeClass.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codec/image_decoder.h"
#include "codec/image_layout.h"
#include "support/codec_streams.h"

namespace {

using namespace codec_test;

class ImageDecoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codecReady()); }
};

std::vector<int> expand(int a, int b, int k) {
  std::vector<unsigned char> out(1u << k);
  expandSegment(a, b, k, false, out.data(), 1);
  return std::vector<int>(out.begin(), out.end());
}

TEST(ExpansionStep, RisingFallingAndSingleSample) {
  EXPECT_EQ(expand(10, 20, 2), (std::vector<int>{10, 12, 15, 17}));
  EXPECT_EQ(expand(5, -3, 1), (std::vector<int>{5, 1}));
  EXPECT_EQ(expand(77, 3, 0), (std::vector<int>{77}));
  // A negative start keeps only the low byte: -4 is 0xFC.
  EXPECT_EQ(expand(-4, 4, 1), (std::vector<int>{0xFC, 0}));
}

// A one-channel 4 x 4 image: one 4 x 4 luma cell with the given corners
// and detail bytes.
Bytes oneCellGrey(std::uint8_t topLeft, std::uint8_t topRight, std::uint8_t bottomLeft, std::uint8_t bottomRight,
                  const Bytes& detail, int shift = 0, int vertical = 1) {
  StreamHeader h;
  h.channelMode = 0xFF;
  h.residualShift = shift;
  h.verticalInterpolation = vertical;
  Bytes s = headerBytes(h);
  append(&s, {topLeft, topRight, bottomLeft, bottomRight});
  append(&s, detail);
  return s;
}

TEST_F(ImageDecoder, GridSamplesExpandToBaseValues) {
  // Corners 10 and 20 (luma 40 and 80) with fx = 4 give 40, 50, 60, 70 on
  // every row; no corrections.
  const Bytes out = decodeStream(oneCellGrey(10, 20, 10, 20, {1}));
  EXPECT_EQ(decodedWidth, 4);
  EXPECT_EQ(decodedHeight, 4);
  EXPECT_EQ(decodedChannels, 1);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ((Bytes(out.begin() + 4 * y, out.begin() + 4 * y + 4)), (Bytes{40, 50, 60, 70})) << "row " << y;
  }
  EXPECT_EQ(out[16], 0xEE) << "one-channel output stops at W*H bytes";
}

TEST_F(ImageDecoder, DetailByteCorrectsAPixelPair) {
  // Base 100 everywhere (corner 25); the first correction byte is 0x9F:
  // even pixel 100 - 7*4 = 72, odd pixel 100 - 1*4 = 96 with s = 2;
  // 93 and 99 with s = 0. The other pairs carry 0x88 (no correction).
  Bytes detail{0, 0x9F};
  append(&detail, repeated(7, 0x88));
  const Bytes shifted = decodeStream(oneCellGrey(25, 25, 25, 25, detail, 2));
  EXPECT_EQ(shifted[0], 72);
  EXPECT_EQ(shifted[1], 96);
  EXPECT_EQ(shifted[2], 100);
  const Bytes plain = decodeStream(oneCellGrey(25, 25, 25, 25, detail, 0));
  EXPECT_EQ(plain[0], 93);
  EXPECT_EQ(plain[1], 99);
}

TEST_F(ImageDecoder, ResidualShiftWrapsAndLargeShiftsCorrectNothing) {
  Bytes detail{0, 0x9F};
  append(&detail, repeated(7, 0x88));
  // 34 mod 32 = 2.
  EXPECT_EQ(decodeStream(oneCellGrey(25, 25, 25, 25, detail, 34))[0], 72);
  for (int shift : {8, 9, 31, -1}) {  // -1 is 31 after the mod
    const Bytes out = decodeStream(oneCellGrey(25, 25, 25, 25, detail, shift));
    EXPECT_EQ(out[0], 100) << "shift " << shift;
    EXPECT_EQ(out[1], 100) << "shift " << shift;
  }
  // Corrections are modulo 256: base 0 (corner 0) minus -8 << 5 is 256 -> 0;
  // minus 7 << 5 is -224 -> 32.
  Bytes wrap{0, 0x70};  // d0 = -8, d1 = -1
  append(&wrap, repeated(7, 0x88));
  const Bytes out = decodeStream(oneCellGrey(0, 0, 0, 0, wrap, 5));
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 32);
}

TEST_F(ImageDecoder, FlagBytesConsumeOneOrNinePlusOneBytes) {
  // An 8 x 4 image of two 4 x 4 cells: the first flagged (1 byte), the
  // second with corrections (1 + 8 bytes). The byte after the flag of a
  // flagged cell is the next cell's flag, and the chroma of a three-channel
  // image starts right after the 9 bytes.
  StreamHeader h;
  h.width = 8;
  h.height = 4;
  h.chromaCellWidth = 8;
  h.chromaCellHeight = 4;
  Bytes s = headerBytes(h);
  append(&s, {25, 25, 25, 25, 25, 25});  // 2 x 3 corners
  append(&s, {7});                         // cell 0 flagged
  append(&s, {0, 0x9F});                   // cell 1 corrected
  append(&s, repeated(7, 0x88));
  append(&s, {11, 11, 11, 11});            // grid A: 2 x 2
  append(&s, {22, 22, 22, 22});            // grid B
  const Bytes out = decodeStream(s);
  EXPECT_EQ(decodedChannels, 3);
  EXPECT_EQ(out[0 * 4], 100);
  EXPECT_EQ(out[4 * 4], 93);  // first pixel of cell 1
  EXPECT_EQ(out[5 * 4], 99);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(out[i * 4 + 1], 11) << i;
    EXPECT_EQ(out[i * 4 + 2], 22) << i;
    EXPECT_EQ(out[i * 4 + 3], 0xEE) << "byte 3 is never written";
  }
}

TEST_F(ImageDecoder, RawLumaIsFollowedByChroma) {
  StreamHeader h;
  h.width = 2;
  h.height = 2;
  h.lumaCellWidth = 0;
  h.chromaCellWidth = 2;
  h.chromaCellHeight = 2;
  Bytes s = headerBytes(h);
  append(&s, {1, 2, 3, 4});             // raw luma
  append(&s, {10, 20, 10, 20});         // grid A 2 x 2 corners
  append(&s, {40, 40, 0, 0});           // grid B
  const Bytes out = decodeStream(s);
  EXPECT_EQ((Bytes{out[0], out[4], out[8], out[12]}), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ((Bytes{out[1], out[5], out[9], out[13]}), (Bytes{10, 15, 10, 15}));
  EXPECT_EQ((Bytes{out[2], out[6], out[10], out[14]}), (Bytes{40, 40, 20, 20}));
}

TEST_F(ImageDecoder, ChannelModeChoosesTheLayout) {
  // The same luma data: 0xFF writes 16 single bytes; mode 0 writes byte 0 of
  // 4-byte pixels and reads two chroma grids after the luma section.
  Bytes grey = oneCellGrey(10, 20, 10, 20, {1});
  Bytes colour = grey;
  colour[11] = 0;
  append(&colour, repeated(4, 5));
  append(&colour, repeated(4, 6));
  const Bytes one = decodeStream(grey);
  const Bytes three = decodeStream(colour);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(three[i * 4], one[i]);
    EXPECT_EQ(three[i * 4 + 1], 5);
    EXPECT_EQ(three[i * 4 + 2], 6);
  }
}

TEST_F(ImageDecoder, VerticalInterpolationOffRepeatsTheTopRow) {
  // Luma corners 10/20 on top, 50/60 below; chroma 0/8 on top, 40/40 below.
  StreamHeader h;
  h.verticalInterpolation = 0;
  Bytes s = headerBytes(h);
  append(&s, {10, 20, 50, 60, 1});
  append(&s, {0, 8, 40, 40});
  append(&s, {0, 8, 40, 40});
  const Bytes out = decodeStream(s);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(out[(y * 4 + x) * 4], 40 + 10 * x) << x << "," << y;
      EXPECT_EQ(out[(y * 4 + x) * 4 + 1], 2 * x) << x << "," << y;
    }
  }
  // With interpolation on, the rows move towards the bottom corners.
  s[8] = 1;
  const Bytes on = decodeStream(s);
  EXPECT_EQ(on[(2 * 4) * 4], 40 + (200 - 40) / 2);
}

TEST_F(ImageDecoder, ChromaReadsTheRowBufferAsSigned) {
  // Chroma corners -8 on top and 8 below (cy = 2): the row buffer holds
  // 0xF8, read as -8, so the middle row is 0, not (248 + 8) / 2.
  StreamHeader h;
  h.width = 2;
  h.height = 2;
  h.lumaCellWidth = 0;
  h.chromaCellWidth = 2;
  h.chromaCellHeight = 2;
  Bytes s = headerBytes(h);
  append(&s, {0, 0, 0, 0});
  append(&s, {0xF8, 0xF8, 8, 8});
  append(&s, {0, 0, 0, 0});
  const Bytes out = decodeStream(s);
  EXPECT_EQ(out[1], 0xF8);
  EXPECT_EQ(out[2 * 4 + 1], 0);
}

TEST_F(ImageDecoder, ContainerIndexClampsToImageZero) {
  std::vector<Bytes> blocks;
  for (int w : {8, 16, 32}) {
    StreamHeader h;
    h.width = w;
    h.channelMode = 0xFF;
    Bytes s = headerBytes(h);
    append(&s, repeated(static_cast<std::size_t>(w / 4 + 1) * 2, 1));
    append(&s, repeated(w / 4, 1));
    blocks.push_back(blockFor(s));
  }
  const Bytes container = packContainer(blocks);
  ASSERT_EQ(container[0], 4);
  EXPECT_EQ(imageCount(container.data()), 3);
  for (int index : {3, 7, -1}) {
    EXPECT_EQ(decodeContainerImage(container.data(), index), 0) << index;
    EXPECT_TRUE(indexOutOfRange) << index;
    EXPECT_EQ(decodedWidth, 8) << index;
  }
  EXPECT_EQ(decodeContainerImage(container.data(), 2), 2);
  EXPECT_FALSE(indexOutOfRange);
  EXPECT_EQ(decodedWidth, 32);
}

TEST_F(ImageDecoder, SizeClassFollowsWidths128To512Only) {
  auto containerOfWidth = [](int width) {
    StreamHeader h;
    h.width = width;
    h.channelMode = 0xFF;
    Bytes s = headerBytes(h);
    append(&s, repeated(static_cast<std::size_t>(width / 4 + 1) * 2, 1));
    append(&s, repeated(width / 4, 1));
    return packContainer({blockFor(s)});
  };
  decodeContainerImage(containerOfWidth(512).data(), 0);
  EXPECT_EQ(sizeClass, 2);
  decodeContainerImage(containerOfWidth(300).data(), 0);
  EXPECT_EQ(decodedWidth, 300);
  EXPECT_EQ(sizeClass, 2) << "300 leaves it unchanged";
  decodeContainerImage(containerOfWidth(256).data(), 0);
  EXPECT_EQ(sizeClass, 1);
  decodeContainerImage(containerOfWidth(128).data(), 0);
  EXPECT_EQ(sizeClass, 0);
}

TEST_F(ImageDecoder, ShortStreamReadsWhatTheBufferHeld) {
  // An image whose stream ends inside its detail section decodes with the
  // bytes an earlier, longer stream left in the decoded-stream buffer.
  Bytes full = oneCellGrey(25, 25, 25, 25, {0, 0x9F, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88});
  decodeStream(full);
  Bytes cut(full.begin(), full.begin() + 17);  // header, corners, flag 0
  const Bytes out = decodeStream(cut);
  EXPECT_EQ(out[0], 93);
}

}  // namespace
