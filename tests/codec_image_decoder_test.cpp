// The image decoder: random streams of every layout (raw and grid luma,
// flagged cells, detail corrections at every residual shift, chroma,
// vertical interpolation on and off) against the decoding rules written out
// plainly. (Container index clamping and sizeClass are checked through the
// texture building.)
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codec/image_decoder.h"
#include "support/codec_streams.h"
#include "support/d3d8_test_device.h"

namespace {

using namespace codec_test;

class ImageDecoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codecReady()); }
};

// The decoding rules written out plainly, one sample at a time, for any
// valid stream: the reference the decoder's row-at-a-time passes must match.
void referenceDecode(const Bytes& s, Bytes* out) {
  auto s16 = [&](int at) { return static_cast<int>(static_cast<std::int16_t>(s[at] | (s[at + 1] << 8))); };
  auto s8 = [&](std::size_t at) { return static_cast<int>(static_cast<std::int8_t>(s[at])); };
  const int w = s16(0), h = s16(2), fx = s8(4), fy = s8(5), cx = s8(6), cy = s8(7);
  const bool vertical = s[8] != 0;
  const int shift = s8(10) & 31;
  const bool one = s[11] == 0xFF;
  const int stride = one ? 1 : 4;
  // Sample i of f from a to b: bits 16..23 of a * 65536 + i * (b - a) * 65536 / f.
  auto sample = [](int a, int b, int f, int i, bool flat) {
    const std::int32_t step = flat ? 0 : (b - a) * (65536 / f);
    return static_cast<std::uint8_t>((a * 65536 + i * step) >> 16);
  };
  std::size_t pos = 12;
  if (fx == 0) {
    for (int i = 0; i < w * h; ++i) (*out)[i * stride] = s[pos++];
  } else {
    const int gw = w / fx, gh = h / fy;
    std::vector<std::uint8_t> rows((gh + 1) * w), base(w * h);
    for (int r = 0; r <= gh; ++r)
      for (int x = 0; x < w; ++x)
        rows[r * w + x] = sample(4 * s8(pos + r * (gw + 1) + x / fx), 4 * s8(pos + r * (gw + 1) + x / fx + 1), fx, x % fx,
                                 false);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        base[y * w + x] = sample(rows[(y / fy) * w + x], rows[(y / fy + 1) * w + x], fy, y % fy, !vertical);
    pos += (gh + 1) * (gw + 1);
    for (int r = 0; r < gh; ++r) {
      for (int c = 0; c < gw; ++c) {
        const std::uint8_t flag = s[pos++];
        for (int j = 0; j < fy; ++j) {
          for (int x = c * fx; x < (c + 1) * fx; x += 2) {
            const int y = r * fy + j;
            int d0 = 0, d1 = 0;
            if (flag == 0) {
              const std::uint8_t v = s[pos++];
              d0 = shift < 8 ? ((v & 15) - 8) * (1 << shift) : 0;
              d1 = shift < 8 ? ((v >> 4) - 8) * (1 << shift) : 0;
            }
            (*out)[(y * w + x) * stride] = static_cast<std::uint8_t>(base[y * w + x] - d0);
            (*out)[(y * w + x + 1) * stride] = static_cast<std::uint8_t>(base[y * w + x + 1] - d1);
          }
        }
      }
    }
  }
  if (one) return;
  const int cw = w / cx, ch = h / cy;
  for (int plane = 1; plane <= 2; ++plane) {
    std::vector<std::uint8_t> rows((ch + 1) * w);
    for (int r = 0; r <= ch; ++r)
      for (int x = 0; x < w; ++x)
        rows[r * w + x] = sample(s8(pos + r * (cw + 1) + x / cx), s8(pos + r * (cw + 1) + x / cx + 1), cx, x % cx, false);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        (*out)[(y * w + x) * 4 + plane] =
            sample(static_cast<std::int8_t>(rows[(y / cy) * w + x]), static_cast<std::int8_t>(rows[(y / cy + 1) * w + x]),
                   cy, y % cy, !vertical);
    pos += (ch + 1) * (cw + 1);
  }
}

// Random sizes, cells, flags, shifts and bytes (corners anywhere in
// -128..127), wide enough for the 16-column passes and with odd tails.
void checkRandomImages(unsigned seed) {
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % n);
  };
  for (int round = 0; round < 60; ++round) {
    StreamHeader h;
    const int cells[] = {1, 2, 4, 8, 16};
    h.lumaCellWidth = next(4) == 0 ? 0 : cells[1 + next(4)];
    h.lumaCellHeight = cells[next(5)];
    h.chromaCellWidth = cells[next(5)];
    h.chromaCellHeight = cells[next(5)];
    h.width = 16 * (1 + next(12)) + (h.lumaCellWidth == 0 && h.chromaCellWidth == 1 ? next(16) : 0);
    h.height = 16 * (1 + next(8));
    h.verticalInterpolation = next(3) == 0 ? 0 : 1;
    h.residualShift = next(48) - 8;  // the shift is taken modulo 32
    h.channelMode = next(3) == 0 ? 0xFF : next(200);
    const int fx = h.lumaCellWidth, fy = h.lumaCellHeight;
    Bytes stream = headerBytes(h);
    if (fx == 0) {
      for (int i = 0; i < h.width * h.height; ++i) stream.push_back(static_cast<std::uint8_t>(next(256)));
    } else {
      for (int i = 0; i < (h.width / fx + 1) * (h.height / fy + 1); ++i) stream.push_back(static_cast<std::uint8_t>(next(256)));
      for (int cell = 0; cell < (h.width / fx) * (h.height / fy); ++cell) {
        const bool corrected = next(2) == 0;
        stream.push_back(corrected ? 0 : static_cast<std::uint8_t>(1 + next(255)));
        if (corrected) {
          for (int i = 0; i < fy * fx / 2; ++i) stream.push_back(static_cast<std::uint8_t>(next(256)));
        }
      }
    }
    if (h.channelMode != 0xFF) {
      const int grid = (h.width / h.chromaCellWidth + 1) * (h.height / h.chromaCellHeight + 1);
      for (int i = 0; i < 2 * grid; ++i) stream.push_back(static_cast<std::uint8_t>(next(256)));
    }
    if (stream.size() > 200000) continue;
    Bytes expected(kImageScratchBytes, 0xEE);
    referenceDecode(stream, &expected);
    const Bytes out = decodeStream(stream);
    ASSERT_EQ(decodedWidth, h.width) << "round " << round;
    ASSERT_TRUE(out == expected) << "round " << round << ": " << h.width << "x" << h.height << " luma " << fx << "x"
                                 << fy << " chroma " << h.chromaCellWidth << "x" << h.chromaCellHeight;
  }
}

TEST_F(ImageDecoder, WideRandomImagesMatchThePlainRules) { checkRandomImages(4242); }

TEST_F(ImageDecoder, RowsSplitOverTheDrawingThreadsDecodeTheSame) {
  // With a device drawing on several threads, the passes run as row ranges
  // on those threads (images of 64 rows and more are split).
  for (int threads : {2, 3, 8}) {
    setRenderThreads(threads);
    {
      TestDevice device;
      ASSERT_TRUE(device.ok());
      checkRandomImages(4242 + threads);
    }
    if (HasFatalFailure()) break;
  }
  setRenderThreads(0);
}

}  // namespace
