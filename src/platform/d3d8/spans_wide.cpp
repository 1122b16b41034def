#include "platform/d3d8/spans_wide.h"

#if defined(__x86_64__) || defined(__i386__)

namespace raster {
namespace {
bool gWideEnabled = true;
}  // namespace

bool wideSpansAvailable() {
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported && gWideEnabled;
}

void setWideSpansEnabled(bool enabled) { gWideEnabled = enabled; }

}  // namespace raster

// Everything below is compiled for AVX2 and only reached when the processor
// has it. It uses no inline functions shared with other files, so no
// AVX2 copy of them can stand in for the plain one elsewhere.
#pragma GCC push_options
#pragma GCC target("avx2")
#include <immintrin.h>

namespace raster {
namespace {

inline __m256i lerpChannels8(__m256i p, __m256i q, __m256i f) {  // 16-bit lanes
  const __m256i g = _mm256_sub_epi16(_mm256_set1_epi16(256), f);
  const __m256i x =
      _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(p, g), _mm256_mullo_epi16(q, f)), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(x, 8);
}

inline __m256i divide255x8(__m256i x) {
  return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

// Unpacking works within 128-bit halves: the low unpack holds pixels 0, 1,
// 4, 5 and the high one 2, 3, 6, 7; the weights are spread the same way.
inline void spreadWeights8(__m256i weights, __m256i* low, __m256i* high) {
  constexpr int kPattern = _MM_SHUFFLE(2, 2, 0, 0);
  *low = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(_mm256_unpacklo_epi32(weights, weights), kPattern), kPattern);
  *high = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(_mm256_unpackhi_epi32(weights, weights), kPattern), kPattern);
}

inline __m256i sampleEight(const Setup& t, __m256i us, __m256i vs) {
  const int* texels = reinterpret_cast<const int*>(t.state->texture.texels);
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i maskU = _mm256_set1_epi32(t.wrapMaskU);
  const __m256i maskV = _mm256_set1_epi32(t.wrapMaskV);
  const __m128i shift = _mm_cvtsi32_si128(t.rowShift);
  const __m256i iu = _mm256_srai_epi32(us, 8);
  const __m256i iv = _mm256_srai_epi32(vs, 8);
  const __m256i x0 = _mm256_and_si256(iu, maskU);
  const __m256i x1 = _mm256_and_si256(_mm256_add_epi32(iu, one), maskU);
  const __m256i y0 = _mm256_sll_epi32(_mm256_and_si256(iv, maskV), shift);
  const __m256i y1 = _mm256_sll_epi32(_mm256_and_si256(_mm256_add_epi32(iv, one), maskV), shift);
  const __m256i t00 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(y0, x0), 4);
  const __m256i t10 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(y0, x1), 4);
  const __m256i t01 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(y1, x0), 4);
  const __m256i t11 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(y1, x1), 4);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low8 = _mm256_set1_epi32(255);
  __m256i fxLow, fxHigh, fyLow, fyHigh;
  spreadWeights8(_mm256_and_si256(us, low8), &fxLow, &fxHigh);
  spreadWeights8(_mm256_and_si256(vs, low8), &fyLow, &fyHigh);
  const __m256i low =
      lerpChannels8(lerpChannels8(_mm256_unpacklo_epi8(t00, zero), _mm256_unpacklo_epi8(t10, zero), fxLow),
                    lerpChannels8(_mm256_unpacklo_epi8(t01, zero), _mm256_unpacklo_epi8(t11, zero), fxLow), fyLow);
  const __m256i high =
      lerpChannels8(lerpChannels8(_mm256_unpackhi_epi8(t00, zero), _mm256_unpackhi_epi8(t10, zero), fxHigh),
                    lerpChannels8(_mm256_unpackhi_epi8(t01, zero), _mm256_unpackhi_epi8(t11, zero), fxHigh), fyHigh);
  return _mm256_or_si256(_mm256_packus_epi16(low, high),
                         _mm256_set1_epi32(static_cast<int>(t.state->texture.alphaOr)));
}

}  // namespace

void overlayGroupsWide(const Setup& t, std::uint32_t* row, int x, int groups, std::int32_t* fu, std::int32_t* fv,
                       std::int32_t fdu, std::int32_t fdv, bool blend) {
  const __m256i zero = _mm256_setzero_si256();
  const bool modulate = t.flatColour != 0xFFFFFFFFu;
  const __m256i diffuse =
      _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)), zero);
  const __m256i steps = _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256i stepU = _mm256_mullo_epi32(_mm256_set1_epi32(fdu), steps);
  const __m256i stepV = _mm256_mullo_epi32(_mm256_set1_epi32(fdv), steps);
  std::int32_t u = *fu, v = *fv;
  for (int group = 0; group < groups; ++group, x += 8) {
    const __m256i us = _mm256_srai_epi32(_mm256_add_epi32(_mm256_set1_epi32(u), stepU), 8);
    const __m256i vs = _mm256_srai_epi32(_mm256_add_epi32(_mm256_set1_epi32(v), stepV), 8);
    u += 8 * fdu;
    v += 8 * fdv;
    __m256i colour = sampleEight(t, us, vs);
    if (modulate) {
      const __m256i half = _mm256_set1_epi16(128);
      const __m256i low =
          divide255x8(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(colour, zero), diffuse), half));
      const __m256i high =
          divide255x8(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(colour, zero), diffuse), half));
      colour = _mm256_packus_epi16(low, high);
    }
    __m256i* target = reinterpret_cast<__m256i*>(row + x);
    if (blend) {
      const __m256i destination = _mm256_loadu_si256(target);
      switch (t.blendMode) {
        case BlendMode::kAdd: colour = _mm256_adds_epu8(colour, destination); break;
        case BlendMode::kReverseSubtract: colour = _mm256_subs_epu8(destination, colour); break;
        case BlendMode::kSubtract: colour = _mm256_subs_epu8(colour, destination); break;
        default: {  // kAlpha: round((s * a + d * (255 - a)) / 255)
          constexpr int kAlphaLane = _MM_SHUFFLE(3, 3, 3, 3);
          const __m256i sLow = _mm256_unpacklo_epi8(colour, zero), sHigh = _mm256_unpackhi_epi8(colour, zero);
          const __m256i aLow = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sLow, kAlphaLane), kAlphaLane);
          const __m256i aHigh = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sHigh, kAlphaLane), kAlphaLane);
          const __m256i full = _mm256_set1_epi16(255), half = _mm256_set1_epi16(128);
          const __m256i mixLow = _mm256_add_epi16(
              _mm256_add_epi16(_mm256_mullo_epi16(sLow, aLow),
                               _mm256_mullo_epi16(_mm256_unpacklo_epi8(destination, zero), _mm256_sub_epi16(full, aLow))),
              half);
          const __m256i mixHigh = _mm256_add_epi16(
              _mm256_add_epi16(_mm256_mullo_epi16(sHigh, aHigh),
                               _mm256_mullo_epi16(_mm256_unpackhi_epi8(destination, zero), _mm256_sub_epi16(full, aHigh))),
              half);
          colour = _mm256_packus_epi16(divide255x8(mixLow), divide255x8(mixHigh));
          break;
        }
      }
    }
    _mm256_storeu_si256(target, colour);
  }
  *fu = u;
  *fv = v;
}

}  // namespace raster

#pragma GCC pop_options

#else  // not x86: the wide loops do not exist

namespace raster {
bool wideSpansAvailable() { return false; }
void setWideSpansEnabled(bool) {}
void overlayGroupsWide(const Setup&, std::uint32_t*, int, int, std::int32_t*, std::int32_t*, std::int32_t, std::int32_t,
                       bool) {}
}  // namespace raster

#endif
