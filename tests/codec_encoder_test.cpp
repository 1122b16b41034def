// Encoder round trips: pictures encoded, decoded by the presentation's
// decoder and converted through its colour table come back close to the
// original; the stream stays within 200,000 bytes; what cannot be encoded
// is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "codec/container_check.h"
#include "encoder/image_encoder.h"
#include "support/codec_streams.h"
#include "support/shown_picture.h"
#include "support/test_pictures.h"

namespace {

using codec_test::Bytes;
using codec_test::makeTestPicture;

double psnr(const Picture& a, const Picture& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = double(a.pixels[i]) - b.pixels[i];
    sum += d * d;
  }
  const double mse = sum / a.pixels.size();
  return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

class Encoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codec_test::codecReady()); }
};

TEST_F(Encoder, RoundTripsKeepTheirQuality) {
  struct Case {
    int width, height, channels;
    double minimumPsnr;
  };
  const Case cases[] = {
      {256, 256, 3, 36.0}, {512, 512, 3, 31.0}, {128, 128, 3, 36.0}, {512, 512, 1, 35.0},
      {256, 256, 1, 99.0}, {30, 20, 3, 36.0},   {1, 1, 3, 30.0},     {64, 32, 4, 36.0},
  };
  for (const Case& c : cases) {
    const Picture picture = makeTestPicture(c.width, c.height, c.channels);
    Bytes block;
    std::string error;
    EncodeStats stats;
    ASSERT_TRUE(encodeImage(picture, &block, &error, &stats)) << error;
    EXPECT_LE(stats.decodedBytes, 200000);
    EXPECT_EQ(stats.blockBytes, static_cast<int>(block.size()));
    const Bytes container = packContainer({block});
    std::string problem;
    ASSERT_TRUE(checkContainer(container.data(), container.size(), &problem)) << problem;

    Picture reference = picture;
    if (c.channels == 4) {  // alpha is dropped
      reference.channels = 3;
      reference.pixels.clear();
      for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
        reference.pixels.insert(reference.pixels.end(), picture.pixels.begin() + i, picture.pixels.begin() + i + 3);
      }
    }
    const Picture shown = codec_test::shownPicture(container, 0);
    ASSERT_EQ(shown.width, c.width);
    ASSERT_EQ(shown.height, c.height);
    ASSERT_EQ(shown.channels, reference.channels);
    const double quality = psnr(reference, shown);
    EXPECT_GE(quality, c.minimumPsnr) << c.width << "x" << c.height << " " << c.channels << ": luma cell "
                                       << stats.lumaCellWidth << "x" << stats.lumaCellHeight;
  }
}

TEST_F(Encoder, RefusesWhatCannotBeEncoded) {
  std::string error;
  Bytes block;
  Picture tooWide = makeTestPicture(514, 2, 1);
  EXPECT_FALSE(encodeImage(tooWide, &block, &error));
  EXPECT_NE(error.find("outside 1..512"), std::string::npos);
  Picture wrongCount = makeTestPicture(4, 4, 3);
  wrongCount.pixels.pop_back();
  EXPECT_FALSE(encodeImage(wrongCount, &block, &error));
  // Odd sizes allow only raw luma and 1-pixel chroma cells, which do not
  // fit 200,000 bytes at 511 x 511.
  error.clear();
  EXPECT_FALSE(encodeImage(makeTestPicture(511, 511, 3), &block, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
