#include "platform/os/picture_scaler.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t* rowAt(std::uint32_t* target, int pitch, int y) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(target) + static_cast<std::ptrdiff_t>(y) * pitch);
}

// Blends two pixels byte by byte: (a * (256 - w) + b * w) / 256, two
// channels per multiply (each fits 16 bits of the 32).
inline std::uint32_t blendAcross(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
  const std::uint32_t rb = ((a & 0x00FF00FFu) * (256 - w) + (b & 0x00FF00FFu) * w) >> 8;
  const std::uint32_t ga = ((a >> 8 & 0x00FF00FFu) * (256 - w) + (b >> 8 & 0x00FF00FFu) * w) >> 8;
  return (rb & 0x00FF00FFu) | ((ga & 0x00FF00FFu) << 8);
}

// out[t] = blendAcross(in[index[t]], in[index[t] + 1], weight[t]), two
// pixels per multiply: a * (256 - w) + b * w is at most 255 * 256 per
// channel, so 16-bit lanes hold it exactly.
void scaleAcross(const std::uint32_t* in, const int* index, const std::uint32_t* weight,
                 const std::uint16_t* weights16, std::uint32_t* out, int count) {
  const __m128i zero = _mm_setzero_si128();
  const auto weighted = [&](int t) {
    const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + index[t]));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights16 + 8 * t));
    return _mm_mullo_epi16(_mm_unpacklo_epi8(pair, zero), w);  // a * (256 - w) | b * w
  };
  const auto blendTwo = [&](int t) {
    const __m128i first = weighted(t);
    const __m128i second = weighted(t + 1);
    return _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second)), 8);
  };
  int t = 0;
  for (; t + 4 <= count; t += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t), _mm_packus_epi16(blendTwo(t), blendTwo(t + 2)));
  }
  for (; t < count; ++t) out[t] = blendAcross(in[index[t]], in[index[t] + 1], weight[t]);
}

// out = a + (b - a) * w / 128 per byte, four pixels per step.
void blendDown(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, int count, int w) {
  if (w == 0) {
    std::memcpy(out, a, static_cast<std::size_t>(count) * 4);
    return;
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i weight = _mm_set1_epi16(static_cast<short>(w));
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i aLow = _mm_unpacklo_epi8(va, zero);
    const __m128i aHigh = _mm_unpackhi_epi8(va, zero);
    // (b - a) * w fits 16 signed bits: |b - a| <= 255, w <= 128.
    const __m128i low = _mm_add_epi16(aLow, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(vb, zero), aLow), weight), 7));
    const __m128i high = _mm_add_epi16(aHigh, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_unpackhi_epi8(vb, zero), aHigh), weight), 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
  for (; i < count; ++i) {
    std::uint32_t pixel = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int ca = static_cast<int>(a[i] >> shift & 0xFF);
      const int cb = static_cast<int>(b[i] >> shift & 0xFF);
      pixel |= static_cast<std::uint32_t>(ca + (((cb - ca) * w) >> 7)) << shift;
    }
    out[i] = pixel;
  }
}

// Target positions sample the source at their centres: (t + 0.5) * n / m - 0.5,
// in 1/256 (across) or 1/128 (down) steps, clamped to the picture.
void mapAxis(int targetSize, int sourceSize, int weightOne, std::vector<int>& index, std::vector<int>& weight) {
  index.resize(static_cast<std::size_t>(targetSize));
  weight.resize(static_cast<std::size_t>(targetSize));
  for (int t = 0; t < targetSize; ++t) {
    const long long position = ((2LL * t + 1) * sourceSize * weightOne) / (2LL * targetSize) - weightOne / 2;
    long long whole = position >= 0 ? position / weightOne : -1;
    int fraction = static_cast<int>(position - whole * weightOne);
    if (whole < 0) {
      whole = 0;
      fraction = 0;
    }
    if (whole >= sourceSize - 1) {
      whole = sourceSize - 1;
      fraction = 0;
    }
    index[static_cast<std::size_t>(t)] = static_cast<int>(whole);
    weight[static_cast<std::size_t>(t)] = fraction;
  }
}

}  // namespace

void PictureScaler::prepare(int sourceWidth, int sourceHeight, const PictureRect& rect) {
  if (rect.width == prepared_.width && rect.height == prepared_.height && sourceWidth == sourceWidth_ &&
      sourceHeight == sourceHeight_ && !columnIndex_.empty()) {
    return;
  }
  prepared_ = rect;
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  whole_ = rect.width % sourceWidth == 0 && rect.height % sourceHeight == 0 &&
           rect.width / sourceWidth == rect.height / sourceHeight;
  std::vector<int> columnWeight;
  mapAxis(rect.width, sourceWidth, 256, columnIndex_, columnWeight);
  columnWeight_.resize(columnWeight.size());
  columnWeights16_.resize(columnWeight.size() * 8);
  for (std::size_t t = 0; t < columnWeight.size(); ++t) {
    if (columnIndex_[t] == sourceWidth - 1) {
      columnIndex_[t] = sourceWidth - 2;
      columnWeight[t] = 256;
    }
    const auto w = static_cast<std::uint16_t>(columnWeight[t]);
    columnWeight_[t] = w;
    std::fill_n(columnWeights16_.begin() + static_cast<std::ptrdiff_t>(8 * t), 4, static_cast<std::uint16_t>(256 - w));
    std::fill_n(columnWeights16_.begin() + static_cast<std::ptrdiff_t>(8 * t + 4), 4, w);
  }
  mapAxis(rect.height, sourceHeight, 128, rowIndex_, rowWeight_);
  // A smaller picture skips source rows; only the rows read are scaled across.
  rowUsed_.assign(static_cast<std::size_t>(sourceHeight), 0);
  for (std::size_t t = 0; t < rowIndex_.size(); ++t) {
    rowUsed_[static_cast<std::size_t>(rowIndex_[t])] = 1;
    if (rowWeight_[t] != 0) rowUsed_[static_cast<std::size_t>(rowIndex_[t]) + 1] = 1;
  }
  rowsAcross_.assign(static_cast<std::size_t>(rect.width) * sourceHeight, 0);
  wideRow_.assign(static_cast<std::size_t>(rect.width), 0);
}

void PictureScaler::scale(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* target,
                          int targetWidth, int targetHeight, int targetPitch, const PictureRect& rect) {
  if (rect.width <= 0 || rect.height <= 0 || sourceWidth < 2 || sourceHeight < 2) return;
  prepare(sourceWidth, sourceHeight, rect);
  // Bars: rows above and below, columns left and right.
  for (int y = 0; y < targetHeight; ++y) {
    std::uint32_t* row = rowAt(target, targetPitch, y);
    if (y < rect.y || y >= rect.y + rect.height) {
      std::memset(row, 0, static_cast<std::size_t>(targetWidth) * 4);
    } else {
      std::memset(row, 0, static_cast<std::size_t>(rect.x) * 4);
      const int right = rect.x + rect.width;
      std::memset(row + right, 0, static_cast<std::size_t>(targetWidth - right) * 4);
    }
  }
  const std::size_t width = static_cast<std::size_t>(rect.width);
  if (whole_) {
    const int factor = rect.width / sourceWidth;
    for (int sy = 0; sy < sourceHeight; ++sy) {
      const std::uint32_t* in = source + static_cast<std::size_t>(sy) * sourceWidth;
      if (factor > 1) {
        for (int sx = 0, tx = 0; sx < sourceWidth; ++sx) {
          for (int k = 0; k < factor; ++k) wideRow_[static_cast<std::size_t>(tx++)] = in[sx];
        }
        in = wideRow_.data();
      }
      for (int k = 0; k < factor; ++k) {
        std::memcpy(rowAt(target, targetPitch, rect.y + sy * factor + k) + rect.x, in, width * 4);
      }
    }
    return;
  }
  // Across first, once per source row in use, then down per target row.
  const int firstRow = rowIndex_.front();
  const int lastRow = std::min(sourceHeight - 1, rowIndex_.back() + 1);
  for (int sy = firstRow; sy <= lastRow; ++sy) {
    if (rowUsed_[static_cast<std::size_t>(sy)] == 0) continue;
    const std::uint32_t* in = source + static_cast<std::size_t>(sy) * sourceWidth;
    std::uint32_t* out = rowsAcross_.data() + static_cast<std::size_t>(sy) * width;
    scaleAcross(in, columnIndex_.data(), columnWeight_.data(), columnWeights16_.data(), out, rect.width);
  }
  for (int ty = 0; ty < rect.height; ++ty) {
    const int sy = rowIndex_[static_cast<std::size_t>(ty)];
    const int w = rowWeight_[static_cast<std::size_t>(ty)];
    const std::uint32_t* upper = rowsAcross_.data() + static_cast<std::size_t>(sy) * width;
    const std::uint32_t* lower = w == 0 ? upper : upper + width;
    blendDown(upper, lower, rowAt(target, targetPitch, rect.y + ty) + rect.x, rect.width, w);
  }
}
