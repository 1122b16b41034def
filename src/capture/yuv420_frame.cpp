#include "capture/yuv420_frame.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// BT.601 in the limited range, times 2^14: luma 219/255 and chroma 224/255
// of the full-range matrix. Each row of chroma weights sums to zero.
constexpr int kYr = 4207, kYg = 8260, kYb = 1604;
constexpr int kUr = -2429, kUg = -4767, kUb = 7196;
constexpr int kVr = 7196, kVg = -6026, kVb = -1170;
constexpr int kShift = 14;

inline std::uint8_t luma(const std::uint8_t* pixel) {  // B, G, R, A
  const int sum = kYr * pixel[2] + kYg * pixel[1] + kYb * pixel[0];
  return static_cast<std::uint8_t>(16 + ((sum + (1 << (kShift - 1))) >> kShift));
}

// From the sums of four pixels' channels: a quarter of the weight each.
// The sums of weights are zero, so the value before the offset lies within
// +-112 and the result within 16 to 240.
inline std::uint8_t chroma(int wr, int wg, int wb, int r4, int g4, int b4) {
  const int sum = wr * r4 + wg * g4 + wb * b4;
  const int half = 1 << (kShift + 1);
  return static_cast<std::uint8_t>(128 + ((sum + half) >> (kShift + 2)));
}

}  // namespace

std::size_t yuv420FrameBytes(int width, int height) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return pixels + pixels / 2;
}

namespace {

struct Planes {
  std::uint8_t* y;
  std::uint8_t* u;
  std::uint8_t* v;
};

// One pair of rows from column `from` (even) on: two rows of luma, one of
// each chroma.
void convertRowPair(const std::uint8_t* top, const std::uint8_t* bottom, int from, int width, std::uint8_t* lumaTop,
                    std::uint8_t* lumaBottom, std::uint8_t* u, std::uint8_t* v) {
  for (int x = from; x < width; ++x) {
    lumaTop[x] = luma(top + 4 * x);
    lumaBottom[x] = luma(bottom + 4 * x);
  }
  for (int cx = from / 2; cx < width / 2; ++cx) {
    const std::uint8_t* a = top + 8 * cx;
    const std::uint8_t* b = bottom + 8 * cx;
    const int b4 = a[0] + a[4] + b[0] + b[4];
    const int g4 = a[1] + a[5] + b[1] + b[5];
    const int r4 = a[2] + a[6] + b[2] + b[6];
    u[cx] = chroma(kUr, kUg, kUb, r4, g4, b4);
    v[cx] = chroma(kVr, kVg, kVb, r4, g4, b4);
  }
}

#ifdef __SSE2__
// Per pixel (16-bit B, G, R, A lanes), the weighted sums as int32 halves:
// madd gives B*wb + G*wg and R*wr + A*0 side by side; adding the halves of
// two such vectors gives four pixels' sums, exactly as the scalar code.
inline __m128i weightedSums(__m128i pixels01, __m128i pixels23, __m128i weights) {
  const __m128 first = _mm_castsi128_ps(_mm_madd_epi16(pixels01, weights));
  const __m128 second = _mm_castsi128_ps(_mm_madd_epi16(pixels23, weights));
  const __m128i evens = _mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i odds = _mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1)));
  return _mm_add_epi32(evens, odds);
}

// Eight lumas of eight BGRA pixels (two 16-byte loads).
inline __m128i lumas8(const std::uint8_t* pixels) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_setr_epi16(kYb, kYg, kYr, 0, kYb, kYg, kYr, 0);
  const __m128i round = _mm_set1_epi32(1 << (kShift - 1));
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16));
  const __m128i low = _mm_srai_epi32(
      _mm_add_epi32(weightedSums(_mm_unpacklo_epi8(a, zero), _mm_unpackhi_epi8(a, zero), weights), round), kShift);
  const __m128i high = _mm_srai_epi32(
      _mm_add_epi32(weightedSums(_mm_unpacklo_epi8(b, zero), _mm_unpackhi_epi8(b, zero), weights), round), kShift);
  return _mm_add_epi16(_mm_packs_epi32(low, high), _mm_set1_epi16(16));
}

// Sums of each 2 x 2 block's channels, 16-bit B, G, R, A, two blocks a
// vector: for the top and bottom rows' pixels 0-3 (8 lanes each of two
// pixels: p0 p1 and p2 p3).
inline __m128i blockSums(__m128i top01, __m128i top23, __m128i bottom01, __m128i bottom23) {
  const __m128i pair01 = _mm_add_epi16(top01, bottom01);
  const __m128i pair23 = _mm_add_epi16(top23, bottom23);
  const __m128i block0 = _mm_add_epi16(pair01, _mm_srli_si128(pair01, 8));
  const __m128i block1 = _mm_add_epi16(pair23, _mm_srli_si128(pair23, 8));
  return _mm_unpacklo_epi64(block0, block1);
}

inline __m128i chromas4(__m128i blocks01, __m128i blocks23, __m128i weights) {
  const __m128i half = _mm_set1_epi32(1 << (kShift + 1));
  const __m128i sums = _mm_srai_epi32(_mm_add_epi32(weightedSums(blocks01, blocks23, weights), half), kShift + 2);
  return _mm_add_epi32(sums, _mm_set1_epi32(128));
}

// Eight columns at a time; returns the first column left for the scalar code.
int convertRowPairWide(const std::uint8_t* top, const std::uint8_t* bottom, int width, std::uint8_t* lumaTop,
                       std::uint8_t* lumaBottom, std::uint8_t* u, std::uint8_t* v) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weightsU = _mm_setr_epi16(kUb, kUg, kUr, 0, kUb, kUg, kUr, 0);
  const __m128i weightsV = _mm_setr_epi16(kVb, kVg, kVr, 0, kVb, kVg, kVr, 0);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const std::uint8_t* t = top + 4 * x;
    const std::uint8_t* b = bottom + 4 * x;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaTop + x), _mm_packus_epi16(lumas8(t), zero));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaBottom + x), _mm_packus_epi16(lumas8(b), zero));

    const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + 16));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16));
    const __m128i blocks01 = blockSums(_mm_unpacklo_epi8(t0, zero), _mm_unpackhi_epi8(t0, zero),
                                       _mm_unpacklo_epi8(b0, zero), _mm_unpackhi_epi8(b0, zero));
    const __m128i blocks23 = blockSums(_mm_unpacklo_epi8(t1, zero), _mm_unpackhi_epi8(t1, zero),
                                       _mm_unpacklo_epi8(b1, zero), _mm_unpackhi_epi8(b1, zero));
    const __m128i cb = chromas4(blocks01, blocks23, weightsU);
    const __m128i cr = chromas4(blocks01, blocks23, weightsV);
    // Both within 16-240: pack to bytes, Cb in the low four, Cr next.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(cb, cr), zero);
    const int both[2] = {_mm_cvtsi128_si32(bytes), _mm_cvtsi128_si32(_mm_srli_si128(bytes, 4))};
    std::memcpy(u + x / 2, &both[0], 4);
    std::memcpy(v + x / 2, &both[1], 4);
  }
  return x;
}
#endif

void convert(const std::uint8_t* bgra, int width, int height, std::size_t pitch, std::uint8_t* out, bool wide) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const Planes planes{out, out + pixels, out + pixels + pixels / 4};
  const int chromaWidth = width / 2;
  for (int y = 0; y < height; y += 2) {
    const std::uint8_t* top = bgra + static_cast<std::size_t>(y) * pitch;
    const std::uint8_t* bottom = top + pitch;
    std::uint8_t* lumaTop = planes.y + static_cast<std::size_t>(y) * width;
    std::uint8_t* lumaBottom = lumaTop + width;
    const std::size_t chromaRow = static_cast<std::size_t>(y / 2) * chromaWidth;
    int from = 0;
#ifdef __SSE2__
    if (wide) from = convertRowPairWide(top, bottom, width, lumaTop, lumaBottom, planes.u + chromaRow, planes.v + chromaRow);
#else
    (void)wide;
#endif
    convertRowPair(top, bottom, from, width, lumaTop, lumaBottom, planes.u + chromaRow, planes.v + chromaRow);
  }
}

}  // namespace

void convertToYuv420(const std::uint8_t* bgra, int width, int height, std::size_t pitch, std::uint8_t* out) {
  convert(bgra, width, height, pitch, out, true);
}

void convertToYuv420OnePixelAtATime(const std::uint8_t* bgra, int width, int height, std::size_t pitch,
                                     std::uint8_t* out) {
  convert(bgra, width, height, pitch, out, false);
}
