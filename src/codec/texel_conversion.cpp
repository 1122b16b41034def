#include "codec/texel_conversion.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "codec/colour_table.h"
#include "codec/image_decoder.h"
#include "platform/d3d8/row_split.h"

static_assert(std::endian::native == std::endian::little,
              "texels are stored as little-endian 32-bit words");

namespace {

// Rows of a picture per range when a conversion is split over the drawing
// threads: below this a range costs less than handing it over.
constexpr int kMinRowsPerRange = 32;

double clampByte(double v) { return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v); }

}  // namespace

void buildToneCurve(float gain, float contrast, unsigned char curve[256]) {
  for (int i = 0; i < 256; ++i) {
    double v = clampByte((i - 128) * static_cast<double>(contrast) + 128.0);
    v = clampByte(v * static_cast<double>(gain));
    curve[i] = static_cast<unsigned char>(v);
  }
}

void applyToneCurve(float gain, float contrast, unsigned char* plane, int x0, int y0, int x1, int y1) {
  unsigned char curve[256];
  buildToneCurve(gain, contrast, curve);
  if (plane == nullptr) return;
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, decodedWidth);
  y1 = std::min(y1, decodedHeight);
  if (y1 <= y0 || x1 <= x0) return;
  const int width = decodedWidth;
  auto rows = [&](int begin, int end) {
    for (int y = y0 + begin; y < y0 + end; ++y) {
      unsigned char* row = plane + static_cast<std::size_t>(y) * width;
      for (int x = x0; x < x1; ++x) row[x] = curve[row[x]];
    }
  };
  splitRows(y1 - y0, kMinRowsPerRange, rows);
}

void convertToTexelsClipped(const unsigned char* pixels, int srcWidth, int srcHeight, unsigned char* texels,
                            int pitch, int levelWidth, int levelHeight) {
  if (pixels == nullptr || texels == nullptr || colourTable == nullptr || pitch <= 0) return;
  const int stride = pitch & ~3;
  const int width = std::min({srcWidth, levelWidth, stride / 4});
  const int height = std::min(srcHeight, levelHeight);
  const std::uint32_t* table = colourTable;
  auto rows = [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const unsigned char* pixel = pixels + static_cast<std::size_t>(y) * srcWidth * 4;
      unsigned char* row = texels + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < width; ++x, pixel += 4) {
        const std::uint32_t texel = table[colourIndex(pixel[0], pixel[1], pixel[2])];
        std::memcpy(row + 4 * x, &texel, 4);
      }
    }
  };
  if (width > 0) splitRows(height, kMinRowsPerRange, rows);
}

void convertToTexels(const unsigned char* pixels, unsigned char* texels, int pitch, int width, int height) {
  convertToTexelsClipped(pixels, width, height, texels, pitch, width, height);
}

void writeAlphaChannelClipped(const unsigned char* plane, int srcWidth, int srcHeight, unsigned char* texels,
                              int pitch, int levelWidth, int levelHeight, int byteOffset) {
  if (plane == nullptr || texels == nullptr || byteOffset < 0 || byteOffset > 3 || pitch <= 0) return;
  const int width = std::min({srcWidth, levelWidth, pitch / 4});
  const int height = std::min(srcHeight, levelHeight);
  auto rows = [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const unsigned char* source = plane + static_cast<std::size_t>(y) * srcWidth;
      unsigned char* row = texels + static_cast<std::size_t>(y) * pitch + byteOffset;
      for (int x = 0; x < width; ++x) row[4 * x] = source[x];
    }
  };
  if (width > 0) splitRows(height, kMinRowsPerRange, rows);
}

void writeAlphaChannel(const unsigned char* plane, unsigned char* texels, int pitch, int width, int height,
                       int byteOffset) {
  writeAlphaChannelClipped(plane, width, height, texels, pitch, width, height, byteOffset);
}
