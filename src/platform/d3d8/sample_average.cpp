#include "platform/d3d8/sample_average.h"

#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

std::uint32_t averageOfFour(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  std::uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t sum = ((a >> shift) & 255) + ((b >> shift) & 255) + ((c >> shift) & 255) +
                              ((d >> shift) & 255) + 2;
    result |= (sum >> 2) << shift;
  }
  return result;
}

}  // namespace

void averageSampleBlocks(const std::uint32_t* samples, int samplePitch, std::uint32_t* picture, int width,
                         int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* upper = samples + static_cast<std::ptrdiff_t>(2 * y) * samplePitch;
    const std::uint32_t* lower = upper + samplePitch;
    std::uint32_t* out = picture + static_cast<std::ptrdiff_t>(y) * width;
    int x = 0;
#ifdef __SSE2__
    // Two picture pixels at a time: the four samples of each pair of rows
    // widen to 16 bits, the rows and then neighbouring columns are summed.
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    for (; x + 2 <= width; x += 2) {
      const __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + 2 * x));
      const __m128i bottom = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + 2 * x));
      const __m128i lowSum = _mm_add_epi16(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi8(bottom, zero));
      const __m128i highSum = _mm_add_epi16(_mm_unpackhi_epi8(top, zero), _mm_unpackhi_epi8(bottom, zero));
      // Each half holds two columns of one picture pixel: add them.
      const __m128i first = _mm_add_epi16(lowSum, _mm_srli_si128(lowSum, 8));
      const __m128i second = _mm_add_epi16(highSum, _mm_srli_si128(highSum, 8));
      const __m128i both = _mm_unpacklo_epi64(first, second);
      const __m128i averaged = _mm_srli_epi16(_mm_add_epi16(both, two), 2);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(averaged, zero));
    }
#endif
    for (; x < width; ++x) {
      out[x] = averageOfFour(upper[2 * x], upper[2 * x + 1], lower[2 * x], lower[2 * x + 1]);
    }
  }
}
