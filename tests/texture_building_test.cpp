// Textures built from decoded images on a recording device: the calls, the
// failures, the size classes and index clamping, the pitch, and colour and
// toned alpha clipped to smaller textures.
#include "codec/texture_building.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "render/screen_quad.h"
#include "support/codec_streams.h"
#include "support/recording_device.h"

namespace {

using codec_test::Bytes;
using codec_test::headerBytes;
using LumaAt = std::function<std::uint8_t(int x, int y)>;

constexpr std::uint8_t kChroma = 32;  // neutral chroma: grey texels

// A decoded image stream with raw luma from `luma` and, for colour, flat
// neutral chroma grids of 16 x 16 cells.
Bytes rawImageStream(int width, int height, bool colour, const LumaAt& luma) {
  Bytes s = headerBytes({width, height, 0, 1, 16, 16, 1, 0, colour ? 0 : 0xFF});
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) s.push_back(luma(x, y));
  }
  if (colour) {
    const size_t grid = static_cast<size_t>(width / 16 + 1) * (height / 16 + 1);
    s.insert(s.end(), 2 * grid, kChroma);
  }
  return s;
}

// A flat image too large for raw luma: a 16 x 16 luma grid of one value
// (luma 4 · quarter), no corrections.
Bytes flatGridImageStream(int width, int height, bool colour, std::uint8_t quarter) {
  Bytes s = headerBytes({width, height, 16, 16, 16, 16, 1, 0, colour ? 0 : 0xFF});
  const size_t corners = static_cast<size_t>(width / 16 + 1) * (height / 16 + 1);
  s.insert(s.end(), corners, quarter);
  s.insert(s.end(), static_cast<size_t>(width / 16) * (height / 16), 1);  // no corrections
  if (colour) s.insert(s.end(), 2 * corners, kChroma);
  return s;
}

Bytes container(const std::vector<Bytes>& streams) {
  std::vector<Bytes> blocks;
  for (const Bytes& stream : streams) blocks.push_back(buildHuffmanBlock(stream));
  return packContainer(blocks);
}

std::uint8_t pattern(int x, int y) { return static_cast<std::uint8_t>(x + 3 * y); }
std::uint8_t full(int, int) { return 255; }

DWORD grey(std::uint8_t luma) { return colourTableEntry(luma, kChroma, kChroma); }
std::uint8_t alphaOf(DWORD texel) { return static_cast<std::uint8_t>(texel >> 24); }
int toned(std::uint8_t v) { return static_cast<int>(v * static_cast<double>(0.55f)); }

RecordingTexture* recorded(IDirect3DTexture8* texture) { return static_cast<RecordingTexture*>(texture); }

class TextureBuilding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(initImageCodec(), 1); }
  void SetUp() override { sizeClass = 1; }
  void TearDown() override {
    releaseBuiltTextures();
    releaseScreenQuad();
  }

  std::vector<std::string> callsNamed(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& c : fake->calls) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
  }

  ScopedRecordingDevice fake;
};

// (Their sizes show in the streaming pairs' texels below, their order in the
// scenes' call sequences.)
TEST_F(TextureBuilding, StreamingTexturesStopAtAFailure) {
  fake->failTextureNumber = 3;  // entry 1's device texture
  EXPECT_EQ(createStreamingTextures(), 0);
  EXPECT_EQ(callsNamed("CreateTexture").size(), 4u);
  EXPECT_EQ(streamingPairs[2].systemTexture, nullptr);
}

TEST_F(TextureBuilding, StillTextureIsConvertedUploadedAndBound) {
  const Bytes images = container({rawImageStream(32, 16, true, pattern), rawImageStream(16, 16, true, full)});
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(buildImageTexture(&texture, images.data(), 0), 1);
  EXPECT_EQ(fake->calls, (std::vector<std::string>{
                             "CreateTexture 32 16 1 0 21 2", "CreateTexture 32 16 1 0 21 0", "LockRect 0 whole 0",
                             "UnlockRect 0",
                             "UpdateTexture " + testing::PrintToString(static_cast<void*>(fake->textures[0].get())) +
                                 " " + testing::PrintToString(static_cast<void*>(texture)),
                             "SetTexture 0 " + testing::PrintToString(static_cast<void*>(texture))}));
  RecordingTexture* built = recorded(texture);
  EXPECT_EQ(built->pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(fake->boundTexture, texture);
  EXPECT_EQ(fake->textures[0]->references, 0u);  // the system copy is let go
  EXPECT_EQ(built->references, 1u);
  EXPECT_EQ(built->texel(31, 15), grey(pattern(31, 15)));
  texture->Release();
}

TEST_F(TextureBuilding, StillTextureFailuresReturnZeroAndLeakNothing) {
  const Bytes images = container({rawImageStream(16, 16, true, pattern)});
  IDirect3DTexture8* texture = nullptr;
  fake->failTextureNumber = 1;  // the device texture
  EXPECT_EQ(buildImageTexture(&texture, images.data(), 0), 0);
  EXPECT_EQ(texture, nullptr);
  ASSERT_EQ(fake->textures.size(), 1u);
  EXPECT_EQ(fake->textures[0]->references, 0u);
}

TEST_F(TextureBuilding, StreamingPairOfTheImagesSizeClassIsFilledAndBound) {
  ASSERT_EQ(createStreamingTextures(), 1);
  const Bytes frames = container({flatGridImageStream(512, 512, true, 25), rawImageStream(256, 256, true, pattern),
                                  rawImageStream(128, 128, true, pattern)});
  const Bytes masks = container({rawImageStream(256, 256, false, full)});

  EXPECT_EQ(decodeIntoStreamingPair(frames.data(), 0), 0);
  EXPECT_EQ(sizeClass, 2);
  EXPECT_EQ(recorded(streamingPairs[2].systemTexture)->texel(511, 511), grey(100));
  EXPECT_EQ(decodeIntoStreamingPair(frames.data(), 1), 1);
  EXPECT_EQ(sizeClass, 1);
  RecordingTexture* system = recorded(streamingPairs[1].systemTexture);
  EXPECT_EQ(system->texel(200, 70), grey(pattern(200, 70)));
  EXPECT_EQ(alphaOf(system->texel(200, 70)), 255);

  fake->calls.clear();
  uploadStreamingPair();
  EXPECT_EQ(fake->calls.size(), 2u);
  EXPECT_EQ(fake->boundTexture, streamingPairs[1].deviceTexture);
  EXPECT_EQ(recorded(streamingPairs[1].deviceTexture)->texel(200, 70), grey(pattern(200, 70)));

  // A new colour decode resets the alpha bytes a mask wrote.
  EXPECT_EQ(decodeAlphaIntoStreamingPair(masks.data(), 0), 0);
  EXPECT_EQ(alphaOf(system->texel(200, 70)), 140);
  decodeIntoStreamingPair(frames.data(), 1);
  EXPECT_EQ(alphaOf(system->texel(200, 70)), 255);

  // Indexes past either end decode image 0 and say so.
  EXPECT_EQ(decodeIntoStreamingPair(frames.data(), 3), -1);
  EXPECT_EQ(sizeClass, 2);
  EXPECT_EQ(decodeIntoStreamingPair(frames.data(), -1), -1);
  EXPECT_EQ(decodeAlphaIntoStreamingPair(masks.data(), 1), 0);
}

TEST_F(TextureBuilding, TexelRowsFollowThePitch) {
  fake->extraPitch = 6;  // 256 texels in rows of 1030 bytes: rows advance 1028
  ASSERT_EQ(createStreamingTextures(), 1);
  const Bytes frames = container({rawImageStream(256, 256, true, pattern)});
  decodeIntoStreamingPair(frames.data(), 0);
  RecordingTexture* system = recorded(streamingPairs[1].systemTexture);
  ASSERT_EQ(system->pitch, 1030u);
  DWORD rowOne;
  std::memcpy(&rowOne, system->bits.data() + 1028, 4);
  EXPECT_EQ(rowOne, grey(pattern(0, 1)));
  EXPECT_EQ(system->bits[1024], 0xCD);  // the pad after row 0 is not written
  DWORD lastRow;
  std::memcpy(&lastRow, system->bits.data() + 255 * 1028 + 4 * 255, 4);
  EXPECT_EQ(lastRow, grey(pattern(255, 255)));
}

TEST_F(TextureBuilding, WritesStayInsideSmallerOrOtherFormatTextures) {
  // A device whose textures are at most 64 x 64 gets the image's top-left,
  // colour and alpha.
  fake->caps.MaxTextureWidth = fake->caps.MaxTextureHeight = 64;
  const Bytes images = container({rawImageStream(128, 128, true, pattern)});
  const Bytes masks = container({rawImageStream(128, 128, false, pattern)});
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(buildImageTextureWithAlpha(&texture, images.data(), 0, masks.data(), 0), 1);
  RecordingTexture* built = recorded(texture);
  ASSERT_EQ(built->width, 64u);
  EXPECT_EQ(built->texel(63, 63) & 0xFFFFFF, grey(pattern(63, 63)) & 0xFFFFFF);
  EXPECT_EQ(alphaOf(built->texel(63, 63)), toned(pattern(63, 63)));
  texture->Release();

  // An image whose width has no size class lands in the current pair, cut
  // to the pair's size.
  fake->caps.MaxTextureWidth = fake->caps.MaxTextureHeight = 4096;
  ASSERT_EQ(createStreamingTextures(), 1);
  const Bytes odd = container({rawImageStream(320, 144, true, pattern)});
  sizeClass = 0;
  EXPECT_EQ(decodeIntoStreamingPair(odd.data(), 0), 0);
  EXPECT_EQ(sizeClass, 0);
  EXPECT_EQ(recorded(streamingPairs[0].systemTexture)->texel(127, 127), grey(pattern(127, 127)));
  releaseBuiltTextures();

  // A 16-bit texture the fitting fell back to is left unwritten.
  fake->acceptedFormats = {D3DFMT_R5G6B5};
  fake->calls.clear();
  ASSERT_EQ(buildImageTexture(&texture, images.data(), 0), 1);
  EXPECT_EQ(recorded(texture)->format, D3DFMT_R5G6B5);
  EXPECT_EQ(callsNamed("LockRect").size(), 0u);
  texture->Release();
}

}  // namespace
