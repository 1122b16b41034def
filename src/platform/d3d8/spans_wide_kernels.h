// The eight-pixel span loops, compiled once for each instruction set they
// run with: the file that includes this sets the compiler's target and
// names the namespace (GLASS_WIDE_NAMESPACE); with GLASS_WIDE_AVX512 the
// overlays also run sixteen pixels at a time. Everything here is in that
// namespace or file-local, so no copy compiled for one instruction set can
// stand in for another's (or for the plain code elsewhere).
// No include guard and no includes: the including file includes
// spans_wide.h and <algorithm> before it sets the target, and <immintrin.h>.

namespace raster::GLASS_WIDE_NAMESPACE {
namespace {

// Bilinear weights are carried as weight * 128 (weight 0..255), so that one
// rounding high multiply does a blend step: for channels a and b,
// (a * (256 - w) + b * w + 128) >> 8 = a + (((b - a) * w + 128) >> 8), and
// mulhrs(b - a, w * 128) is exactly that last term.
inline __m256i lerpChannels8(__m256i p, __m256i q, __m256i f128) {  // 16-bit lanes
  return _mm256_add_epi16(p, _mm256_mulhrs_epi16(_mm256_sub_epi16(q, p), f128));
}

// round(x / 255) for x = a * b + 128: (x + (x >> 8)) >> 8, which equals
// (x * 257) >> 16 for every 16-bit x.
inline __m256i divide255x8(__m256i x) { return _mm256_mulhi_epu16(x, _mm256_set1_epi16(257)); }

// Unpacking works within 128-bit halves: the low unpack holds pixels 0, 1,
// 4, 5 and the high one 2, 3, 6, 7. Each pixel's weight is the low byte of
// its coordinate: one byte shuffle per half copies it into the high byte of
// its four 16-bit channel lanes, and a shift makes that weight * 128.
inline void spreadWeights8(__m256i coordinates, __m256i* low, __m256i* high) {
  constexpr char z = -128;  // a zero byte
  const __m256i lowPattern = _mm256_setr_epi8(z, 0, z, 0, z, 0, z, 0, z, 4, z, 4, z, 4, z, 4,  //
                                              z, 0, z, 0, z, 0, z, 0, z, 4, z, 4, z, 4, z, 4);
  const __m256i highPattern = _mm256_setr_epi8(z, 8, z, 8, z, 8, z, 8, z, 12, z, 12, z, 12, z, 12,  //
                                               z, 8, z, 8, z, 8, z, 8, z, 12, z, 12, z, 12, z, 12);
  *low = _mm256_srli_epi16(_mm256_shuffle_epi8(coordinates, lowPattern), 1);
  *high = _mm256_srli_epi16(_mm256_shuffle_epi8(coordinates, highPattern), 1);
}

// Texels at index and index + 1 for eight lanes (t00, t10), and those one
// texture row below (t01, t11), all in lane order. Each pair is one 64-bit
// load: on the processors this runs on, plain loads beat the gather
// instructions. The pairs of pixels 0, 1, 4, 5 and of 2, 3, 6, 7 are put
// together so that one shuffle per output puts them back in order within
// each 128-bit half.
struct TexelQuads {
  __m256i t00, t10, t01, t11;
};

inline __attribute__((always_inline)) void splitPairs(__m128i p0, __m128i p1, __m128i p2, __m128i p3, __m128i p4,
                                                      __m128i p5, __m128i p6, __m128i p7, __m256i* left,
                                                      __m256i* right) {
  const __m256 a = _mm256_castsi256_ps(_mm256_set_m128i(_mm_unpacklo_epi64(p4, p5), _mm_unpacklo_epi64(p0, p1)));
  const __m256 b = _mm256_castsi256_ps(_mm256_set_m128i(_mm_unpacklo_epi64(p6, p7), _mm_unpacklo_epi64(p2, p3)));
  *left = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
  *right = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

inline __attribute__((always_inline)) TexelQuads gatherQuads(const int* texels, std::ptrdiff_t rowPitch,
                                                             __m256i index) {
  alignas(32) int at[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
  const int* p[8];
  for (int i = 0; i < 8; ++i) p[i] = texels + at[i];
  auto pair = [](const int* texel) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texel)); };
  TexelQuads q;
  splitPairs(pair(p[0]), pair(p[1]), pair(p[2]), pair(p[3]), pair(p[4]), pair(p[5]), pair(p[6]), pair(p[7]), &q.t00,
             &q.t10);
  splitPairs(pair(p[0] + rowPitch), pair(p[1] + rowPitch), pair(p[2] + rowPitch), pair(p[3] + rowPitch),
             pair(p[4] + rowPitch), pair(p[5] + rowPitch), pair(p[6] + rowPitch), pair(p[7] + rowPitch), &q.t01,
             &q.t11);
  return q;
}

// Bilinear filtering of eight pixels' texels (top-left, top-right,
// bottom-left, bottom-right); weights from the 1/256-texel coordinates.
// Eight pixels' channels in 16-bit lanes, as unpacking with zero lays them
// out: `low` holds pixels 0, 1, 4, 5 and `high` 2, 3, 6, 7.
struct Channels {
  __m256i low, high;
};

inline __m256i pack(Channels c) { return _mm256_packus_epi16(c.low, c.high); }

inline Channels unpack(__m256i pixels) {
  return {_mm256_unpacklo_epi8(pixels, _mm256_setzero_si256()), _mm256_unpackhi_epi8(pixels, _mm256_setzero_si256())};
}

// round(texel * diffuse / 255) per channel, packed.
inline __m256i modulateEight(Channels texel, Channels diffuse) {
  const __m256i half = _mm256_set1_epi16(128);
  return pack({divide255x8(_mm256_add_epi16(_mm256_mullo_epi16(texel.low, diffuse.low), half)),
               divide255x8(_mm256_add_epi16(_mm256_mullo_epi16(texel.high, diffuse.high), half))});
}

// Bilinear filtering of eight pixels' texels (top-left, top-right,
// bottom-left, bottom-right); weights from the 1/256-texel coordinates.
// The texture's forced alpha is applied to the unpacked channels (each
// below 256, so that is the same as on the packed pixels).
inline __attribute__((always_inline)) Channels filterEight(const Setup& t, __m256i us, __m256i vs, __m256i t00,
                                                           __m256i t10, __m256i t01, __m256i t11) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i fxLow, fxHigh, fyLow, fyHigh;
  spreadWeights8(us, &fxLow, &fxHigh);
  spreadWeights8(vs, &fyLow, &fyHigh);
  const __m256i alphaOr = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(t.state->texture.alphaOr)), zero);
  const __m256i low =
      lerpChannels8(lerpChannels8(_mm256_unpacklo_epi8(t00, zero), _mm256_unpacklo_epi8(t10, zero), fxLow),
                    lerpChannels8(_mm256_unpacklo_epi8(t01, zero), _mm256_unpacklo_epi8(t11, zero), fxLow), fyLow);
  const __m256i high =
      lerpChannels8(lerpChannels8(_mm256_unpackhi_epi8(t00, zero), _mm256_unpackhi_epi8(t10, zero), fxHigh),
                    lerpChannels8(_mm256_unpackhi_epi8(t01, zero), _mm256_unpackhi_epi8(t11, zero), fxHigh), fyHigh);
  return {_mm256_or_si256(low, alphaOr), _mm256_or_si256(high, alphaOr)};
}

inline __attribute__((always_inline)) Channels sampleEight(const Setup& t, __m256i us, __m256i vs) {
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
  TexelQuads q;
  const __m256i wraps =
      _mm256_or_si256(_mm256_cmpeq_epi32(x0, maskU), _mm256_cmpeq_epi32(_mm256_and_si256(iv, maskV), maskV));
  if (_mm256_testz_si256(wraps, wraps)) {
    // No lane wraps between its left and right texel, nor between its upper
    // and lower row: fetch each pair as one 64-bit element (half the
    // gathered elements) and the lower pairs one row further on.
    q = gatherQuads(texels, std::ptrdiff_t{1} << t.rowShift, _mm256_add_epi32(y0, x0));
  } else {
    const __m256i y1 = _mm256_sll_epi32(_mm256_and_si256(_mm256_add_epi32(iv, one), maskV), shift);
    q = {_mm256_i32gather_epi32(texels, _mm256_add_epi32(y0, x0), 4),
         _mm256_i32gather_epi32(texels, _mm256_add_epi32(y0, x1), 4),
         _mm256_i32gather_epi32(texels, _mm256_add_epi32(y1, x0), 4),
         _mm256_i32gather_epi32(texels, _mm256_add_epi32(y1, x1), 4)};
  }
  return filterEight(t, us, vs, q.t00, q.t10, q.t01, q.t11);
}

// ONE/ONE add, reverse subtract and subtract, or SRCALPHA/INVSRCALPHA, of
// eight source pixels over eight destination pixels, as blendPixel does.
inline __attribute__((always_inline)) __m256i blendEight(const Setup& t, __m256i colour, __m256i destination) {
  const __m256i zero = _mm256_setzero_si256();
  switch (t.blendMode) {
    case BlendMode::kAdd: return _mm256_adds_epu8(colour, destination);
    case BlendMode::kReverseSubtract: return _mm256_subs_epu8(destination, colour);
    case BlendMode::kSubtract: return _mm256_subs_epu8(colour, destination);
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
      return _mm256_packus_epi16(divide255x8(mixLow), divide255x8(mixHigh));
    }
  }
}


#if GLASS_WIDE_AVX512
// Sixteen overlay pixels at a time, for rows that stay on one row of texels
// and move right by less than a texel per pixel (as the overlays do): the
// eight-pixel steps below, at twice the width. 512-bit shifts and permutes
// are written as vector arithmetic or in their masked form, whose plain
// intrinsics GCC 12 warns about.
using Vector16 = __m512i;

// Each pixel's weight (the low byte of its coordinate) into the high byte of
// its four channel lanes, as spreadWeights8 does per 128-bit quarter.
struct WeightPattern {
  alignas(64) char bytes[64];
};
// In each 128-bit quarter: byte `first` into the high byte of 16-bit lanes
// 0..3, byte `first + 4` into that of lanes 4..7, low bytes zero (a
// shuffle index of -128).
constexpr WeightPattern weightPattern(char first) {
  WeightPattern pattern{};
  for (int i = 0; i < 64; ++i) {
    pattern.bytes[i] = i % 2 == 0 ? static_cast<char>(-128) : static_cast<char>(first + (i % 16 >= 8 ? 4 : 0));
  }
  return pattern;
}
constexpr WeightPattern kLowPattern = weightPattern(0), kHighPattern = weightPattern(8);

// Weight * 128 of each pixel from its coordinates, as spreadWeights8.
inline Vector16 spreadWeights16(Vector16 coordinates, const WeightPattern& pattern) {
  return _mm512_srli_epi16(_mm512_shuffle_epi8(coordinates, _mm512_load_si512(pattern.bytes)), 1);
}

inline Vector16 lerpChannels16(Vector16 p, Vector16 q, Vector16 f128) {  // as lerpChannels8
  return _mm512_add_epi16(p, _mm512_mulhrs_epi16(_mm512_sub_epi16(q, p), f128));
}

inline Vector16 divide255x16(Vector16 x) { return _mm512_mulhi_epu16(x, _mm512_set1_epi16(257)); }

inline Vector16 shiftRight32(Vector16 x, int bits) {  // arithmetic, 32-bit lanes
  using Lanes = int __attribute__((vector_size(64)));
  return reinterpret_cast<Vector16>(reinterpret_cast<Lanes>(x) >> bits);
}

// Each unpacked pixel's alpha (16-bit lane 3 of its 64 bits) into all four
// of its channel lanes.
constexpr WeightPattern kAlphaPattern = [] {
  WeightPattern pattern{};
  for (int i = 0; i < 64; ++i) pattern.bytes[i] = static_cast<char>((i & ~7) % 16 + 6 + i % 2);
  return pattern;
}();

// blendEight at twice the width.
inline Vector16 blendSixteen(const Setup& t, Vector16 colour, Vector16 destination) {
  switch (t.blendMode) {
    case BlendMode::kAdd: return _mm512_adds_epu8(colour, destination);
    case BlendMode::kReverseSubtract: return _mm512_subs_epu8(destination, colour);
    case BlendMode::kSubtract: return _mm512_subs_epu8(colour, destination);
    default: {  // kAlpha: round((s * a + d * (255 - a)) / 255)
      const Vector16 zero = _mm512_setzero_si512();
      const Vector16 alphaLanes = _mm512_load_si512(kAlphaPattern.bytes);
      const Vector16 sLow = _mm512_unpacklo_epi8(colour, zero), sHigh = _mm512_unpackhi_epi8(colour, zero);
      const Vector16 aLow = _mm512_shuffle_epi8(sLow, alphaLanes), aHigh = _mm512_shuffle_epi8(sHigh, alphaLanes);
      const Vector16 full = _mm512_set1_epi16(255), half = _mm512_set1_epi16(128);
      const Vector16 mixLow = _mm512_add_epi16(
          _mm512_add_epi16(_mm512_mullo_epi16(sLow, aLow),
                           _mm512_mullo_epi16(_mm512_unpacklo_epi8(destination, zero), _mm512_sub_epi16(full, aLow))),
          half);
      const Vector16 mixHigh = _mm512_add_epi16(
          _mm512_add_epi16(_mm512_mullo_epi16(sHigh, aHigh),
                           _mm512_mullo_epi16(_mm512_unpackhi_epi8(destination, zero), _mm512_sub_epi16(full, aHigh))),
          half);
      return _mm512_packus_epi16(divide255x16(mixLow), divide255x16(mixHigh));
    }
  }
}

// Pixels [x, x + 16 * pairs) of an overlay row at texel row `top` (and the
// one below), v's weight fixed; returns how many pairs of groups it did: it
// stops where sixteen pixels' texels would not fit one load or would wrap.
int overlaySixteens(const Setup& t, std::uint32_t* row, int x, int pairs, std::int32_t* fu, std::int32_t fdu,
                    std::int32_t v, const int* top, const int* bottom, bool blend) {
  const Vector16 zero = _mm512_setzero_si512();
  const bool modulate = t.flatColour != 0xFFFFFFFFu;
  const Vector16 diffuse = _mm512_unpacklo_epi8(_mm512_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)), zero);
  const Vector16 stepU = _mm512_mullo_epi32(_mm512_set1_epi32(fdu),
                                            _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  const Vector16 vs = _mm512_set1_epi32(v >> 8);
  const Vector16 fyLow = spreadWeights16(vs, kLowPattern), fyHigh = spreadWeights16(vs, kHighPattern);
  const Vector16 alphaOr = _mm512_set1_epi32(static_cast<int>(t.state->texture.alphaOr));
  const Vector16 alphaOr16 = _mm512_unpacklo_epi8(alphaOr, zero);
  std::int32_t u = *fu;
  int done = 0;
  for (; done < pairs; ++done, x += 16) {
    const int first = u >> 16, last = (u + 15 * fdu) >> 16;
    if (last + 1 - first > 15 || (first & t.wrapMaskU) + 15 > t.wrapMaskU) break;
    const int base = first & t.wrapMaskU;
    const Vector16 us = shiftRight32(_mm512_add_epi32(_mm512_set1_epi32(u), stepU), 8);
    const Vector16 left = _mm512_sub_epi32(shiftRight32(us, 8), _mm512_set1_epi32(first));
    const Vector16 right = _mm512_add_epi32(left, _mm512_set1_epi32(1));
    const Vector16 topTexels = _mm512_loadu_si512(top + base);
    const Vector16 bottomTexels = _mm512_loadu_si512(bottom + base);
    const Vector16 t00 = _mm512_maskz_permutexvar_epi32(0xFFFF, left, topTexels);
    const Vector16 t10 = _mm512_maskz_permutexvar_epi32(0xFFFF, right, topTexels);
    const Vector16 t01 = _mm512_maskz_permutexvar_epi32(0xFFFF, left, bottomTexels);
    const Vector16 t11 = _mm512_maskz_permutexvar_epi32(0xFFFF, right, bottomTexels);
    const Vector16 fxLow = spreadWeights16(us, kLowPattern), fxHigh = spreadWeights16(us, kHighPattern);
    Vector16 low =
        lerpChannels16(lerpChannels16(_mm512_unpacklo_epi8(t00, zero), _mm512_unpacklo_epi8(t10, zero), fxLow),
                       lerpChannels16(_mm512_unpacklo_epi8(t01, zero), _mm512_unpacklo_epi8(t11, zero), fxLow), fyLow);
    Vector16 high =
        lerpChannels16(lerpChannels16(_mm512_unpackhi_epi8(t00, zero), _mm512_unpackhi_epi8(t10, zero), fxHigh),
                       lerpChannels16(_mm512_unpackhi_epi8(t01, zero), _mm512_unpackhi_epi8(t11, zero), fxHigh), fyHigh);
    u = steppedFixed(u, 16, fdu);
    Vector16 colour;
    if (modulate) {  // straight from the filter's 16-bit channels
      const Vector16 half = _mm512_set1_epi16(128);
      low = divide255x16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_or_si512(low, alphaOr16), diffuse), half));
      high = divide255x16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_or_si512(high, alphaOr16), diffuse), half));
      colour = _mm512_packus_epi16(low, high);
    } else {
      colour = _mm512_or_si512(_mm512_packus_epi16(low, high), alphaOr);
    }
    std::uint32_t* target = row + x;
    if (blend) colour = blendSixteen(t, colour, _mm512_loadu_si512(target));
    _mm512_storeu_si512(target, colour);
  }
  *fu = u;
  return done;
}
#endif

}  // namespace

int overlayPixelsWide(const Setup& t, std::uint32_t* row, int x, int count, std::int32_t* fu, std::int32_t* fv,
                      std::int32_t fdu, std::int32_t fdv, bool blend) {
#if GLASS_WIDE_AVX512
  const int groups = (count + 7) / 8;
#else
  const int groups = count / 8;
#endif
  const __m256i zero = _mm256_setzero_si256();
  const bool modulate = t.flatColour != 0xFFFFFFFFu;
  const __m256i diffuse =
      _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)), zero);
  const __m256i steps = _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256i stepU = _mm256_mullo_epi32(_mm256_set1_epi32(fdu), steps);
  const __m256i stepV = _mm256_mullo_epi32(_mm256_set1_epi32(fdv), steps);
  std::int32_t u = *fu, v = *fv;
  // A row of the screen that stays on one row of texels (v constant) and
  // moves right by at most a texel per pixel reads, for eight pixels, a few
  // neighbouring texels: load them as one vector and pick with permutes
  // instead of gathering, whenever those texels do not wrap.
  const bool oneTexelRow = fdv == 0 && fdu >= 0 && fdu <= 65536;
  const int* texels = reinterpret_cast<const int*>(t.state->texture.texels);
  const int* row0 = texels + (((v >> 16) & t.wrapMaskV) << t.rowShift);
  const int* row1 = texels + ((((v >> 16) + 1) & t.wrapMaskV) << t.rowShift);
  for (int group = 0; group < groups; ++group, x += 8) {
#if GLASS_WIDE_AVX512
    // Sixteen at a time until a group's texels wrap or do not fit one load;
    // then one group of eight, and sixteen again (the texels of a row that
    // starts half a texel before the texture's left edge wrap only at first).
    if (const int pairs = (count - 8 * group) / 16; oneTexelRow && pairs > 0) {
      const int done = 2 * overlaySixteens(t, row, x, pairs, &u, fdu, v, row0, row1, blend);
      group += done;
      x += 8 * done;
      if (group == groups) break;
    }
#endif
    const __m256i us = _mm256_srai_epi32(_mm256_add_epi32(_mm256_set1_epi32(u), stepU), 8);
    const __m256i vs = _mm256_srai_epi32(_mm256_add_epi32(_mm256_set1_epi32(v), stepV), 8);
    const int lanes = std::min(8, count - 8 * group);
    const int first = u >> 16, last = steppedFixed(u, lanes - 1, fdu) >> 16;
    Channels texel;
    if (oneTexelRow && last + 1 - first <= 7 && (first & t.wrapMaskU) + 7 <= t.wrapMaskU) {
      const int base = first & t.wrapMaskU;
      const __m256i left = _mm256_sub_epi32(_mm256_srai_epi32(us, 8), _mm256_set1_epi32(first));
      const __m256i right = _mm256_add_epi32(left, _mm256_set1_epi32(1));
      const __m256i top = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row0 + base));
      const __m256i bottom = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row1 + base));
      texel = filterEight(t, us, vs, _mm256_permutevar8x32_epi32(top, left), _mm256_permutevar8x32_epi32(top, right),
                          _mm256_permutevar8x32_epi32(bottom, left), _mm256_permutevar8x32_epi32(bottom, right));
    } else {
      texel = sampleEight(t, us, vs);
    }
    u = steppedFixed(u, lanes, fdu);
    v = steppedFixed(v, lanes, fdv);
    __m256i colour = modulate ? modulateEight(texel, {diffuse, diffuse}) : pack(texel);
#if GLASS_WIDE_AVX512
    // The last group may be short: only its pixels are read and written.
    const auto inSpan = static_cast<__mmask8>(0xFFu >> (8 - lanes));
    if (blend) colour = blendEight(t, colour, _mm256_maskz_loadu_epi32(inSpan, row + x));
    _mm256_mask_storeu_epi32(row + x, inSpan, colour);
#else
    __m256i* target = reinterpret_cast<__m256i*>(row + x);
    if (blend) colour = blendEight(t, colour, _mm256_loadu_si256(target));
    _mm256_storeu_si256(target, colour);
#endif
  }
  *fu = u;
  *fv = v;
  return std::min(count, 8 * groups);
}


namespace {

inline __m256i floorToInts8(__m256 value) {
  const __m256 limit = _mm256_set1_ps(kTexCoordLimit);
  value = _mm256_min_ps(_mm256_max_ps(value, _mm256_sub_ps(_mm256_setzero_ps(), limit)), limit);
  return _mm256_cvttps_epi32(_mm256_floor_ps(value));
}

inline __m256i toBytes8(__m256 value) {
  value = _mm256_min_ps(_mm256_max_ps(value, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
  return _mm256_cvttps_epi32(_mm256_add_ps(value, _mm256_set1_ps(0.5f)));
}

// Channels of eight opaque colours from their red, green and blue (32-bit
// lanes, 0..255): blue and green share one 32-bit lane, red and alpha the
// next, which is how unpacking packed pixels lays them out.
inline Channels gouraudChannels(__m256i r, __m256i g, __m256i b) {
  const __m256i blueGreen = _mm256_or_si256(b, _mm256_slli_epi32(g, 16));
  const __m256i redAlpha = _mm256_or_si256(r, _mm256_set1_epi32(0x00FF0000));
  return {_mm256_unpacklo_epi32(blueGreen, redAlpha), _mm256_unpackhi_epi32(blueGreen, redAlpha)};
}

// Eight 32-bit values (0..65535) to eight 16-bit ones, in order.
inline __m128i narrow16(__m256i values) {
  const __m256i packed = _mm256_packus_epi32(values, _mm256_setzero_si256());
  return _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
}

}  // namespace

template <bool kGouraud, bool kDepth, bool kBlend>
void meshSpanWide(const Setup& t, int y, int xStart, int xEnd, const SpanStarts& st) {
  const PixelState& s = *t.state;
  std::uint32_t* colourRow = s.colour + static_cast<std::ptrdiff_t>(y) * s.pitch;
  std::uint16_t* depthRow = s.depth + static_cast<std::ptrdiff_t>(y) * s.pitch;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bias = _mm256_set1_epi32(s.depthBias);
  const Channels flat = unpack(_mm256_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)));
  const __m256i lanes = _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const bool depthWrite = kDepth && s.depthWrite;
  for (int x = xStart; x <= xEnd; x += 8) {
    const __m256 index = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(x - xStart), lanes));
    auto at = [&](float base, float delta) {
      return _mm256_add_ps(_mm256_set1_ps(base), _mm256_mul_ps(_mm256_set1_ps(delta), index));
    };
    __m256i depth = zero;
    if constexpr (kDepth) {
      const __m256 z = _mm256_min_ps(_mm256_max_ps(at(st.z0, st.dz), _mm256_setzero_ps()), _mm256_set1_ps(65535.0f));
      depth = _mm256_sub_epi32(_mm256_cvttps_epi32(_mm256_add_ps(z, _mm256_set1_ps(0.5f))), bias);
      depth = _mm256_max_epi32(depth, zero);
    }
#if GLASS_WIDE_AVX512
    // Masked loads and stores touch only the span's lanes, even at the end
    // of the buffer.
    const auto inSpan = static_cast<__mmask8>(0xFFu >> std::max(0, 7 - (xEnd - x)));
    __mmask8 visible = inSpan;
    if constexpr (kDepth) {
      const __m256i stored = _mm256_cvtepu16_epi32(_mm_maskz_loadu_epi16(inSpan, depthRow + x));
      visible = _mm256_mask_cmple_epi32_mask(inSpan, depth, stored);
      if (visible == 0) continue;
    }
#else
    // Lanes past the span's end take part in the arithmetic; their pixels
    // are written back unchanged, and only within the span's row.
    const __m256i outside = _mm256_cmpgt_epi32(lanes, _mm256_set1_epi32(xEnd - x));
    __m256i hidden = outside;
    __m128i storedDepth16 = _mm_setzero_si128();
    if constexpr (kDepth) {
      if (x + 8 <= s.pitch) {
        storedDepth16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow + x));
      } else {
        alignas(16) std::uint16_t stored[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i <= xEnd - x; ++i) stored[i] = depthRow[x + i];
        storedDepth16 = _mm_load_si128(reinterpret_cast<const __m128i*>(stored));
      }
      hidden = _mm256_or_si256(_mm256_cmpgt_epi32(depth, _mm256_cvtepu16_epi32(storedDepth16)), outside);
    }
    const int visible = ~_mm256_movemask_ps(_mm256_castsi256_ps(hidden)) & 0xFF;
    if (kDepth && visible == 0) continue;
#endif

    const __m256 oneOverRhw = _mm256_div_ps(_mm256_set1_ps(1.0f), at(st.w0, st.dw));
    Channels diffuse = flat;
    if constexpr (kGouraud) {
      diffuse = gouraudChannels(toBytes8(_mm256_mul_ps(at(st.r0, st.dr), oneOverRhw)),
                                toBytes8(_mm256_mul_ps(at(st.g0, st.dg), oneOverRhw)),
                                toBytes8(_mm256_mul_ps(at(st.b0, st.db), oneOverRhw)));
    }
    const __m256 texelOffset = _mm256_set1_ps(128.0f);
    const __m256i us = floorToInts8(_mm256_sub_ps(_mm256_mul_ps(at(st.u0, st.du), oneOverRhw), texelOffset));
    const __m256i vs = floorToInts8(_mm256_sub_ps(_mm256_mul_ps(at(st.v0, st.dv), oneOverRhw), texelOffset));
    __m256i colour = modulateEight(sampleEight(t, us, vs), diffuse);
#if GLASS_WIDE_AVX512
    if constexpr (kBlend) colour = blendEight(t, colour, _mm256_maskz_loadu_epi32(inSpan, colourRow + x));
    _mm256_mask_storeu_epi32(colourRow + x, visible, colour);
    if (depthWrite) _mm_mask_storeu_epi16(depthRow + x, visible, _mm256_maskz_cvtepi32_epi16(0xFF, depth));
#else
    __m256i* colourTarget = reinterpret_cast<__m256i*>(colourRow + x);
    __m128i* depthTarget = reinterpret_cast<__m128i*>(depthRow + x);
    if (visible == 0xFF) {
      if constexpr (kBlend) colour = blendEight(t, colour, _mm256_loadu_si256(colourTarget));
      _mm256_storeu_si256(colourTarget, colour);
      if (depthWrite) _mm_storeu_si128(depthTarget, narrow16(depth));
    } else if (x + 8 <= s.pitch) {
      // Lanes hidden or past the span's end get their own pixels back; all
      // eight are in this row, so no other row's pixels are touched.
      const __m256i destination = _mm256_loadu_si256(colourTarget);
      if constexpr (kBlend) colour = blendEight(t, colour, destination);
      _mm256_storeu_si256(colourTarget, _mm256_blendv_epi8(colour, destination, hidden));
      if (depthWrite) {
        const __m128i hidden16 = narrow16(_mm256_srli_epi32(hidden, 16));
        _mm_storeu_si128(depthTarget, _mm_blendv_epi8(narrow16(depth), storedDepth16, hidden16));
      }
    } else {
      // The row's last pixels: touch nothing past its end, which holds the
      // next row's first pixels.
      const int count = xEnd - x + 1;
      alignas(32) std::uint32_t colours[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      if constexpr (kBlend) {
        for (int i = 0; i < count; ++i) colours[i] = colourRow[x + i];
        colour = blendEight(t, colour, _mm256_load_si256(reinterpret_cast<const __m256i*>(colours)));
      }
      _mm256_store_si256(reinterpret_cast<__m256i*>(colours), colour);
      alignas(32) std::int32_t depths[8];
      _mm256_store_si256(reinterpret_cast<__m256i*>(depths), depth);
      for (int i = 0; i < count; ++i) {
        if ((visible >> i) & 1) {
          colourRow[x + i] = colours[i];
          if (depthWrite) depthRow[x + i] = static_cast<std::uint16_t>(depths[i]);
        }
      }
    }
#endif
  }
}

GLASS_MESH_SPAN_KINDS

#if GLASS_WIDE_AVX512
namespace {

// Four planes' values at the start of a row, c + dx * x + dy * y in double
// and rounded to float, as drawMeshSpan's starts.
inline __m128 rowStarts(const Setup::PlaneTable& table, int first, int y, int x) {
  const __m256d px = _mm256_set1_pd(x), py = _mm256_set1_pd(y);
  const __m256d value = _mm256_add_pd(_mm256_add_pd(_mm256_load_pd(table.c + first),
                                                    _mm256_mul_pd(_mm256_load_pd(table.dx + first), px)),
                                      _mm256_mul_pd(_mm256_load_pd(table.dy + first), py));
  return _mm256_cvtpd_ps(value);
}

// Lane `plane` of each row's four starts, into that row's four lanes.
inline __m256 spreadStarts(__m256 starts, int plane) {
  return _mm256_permutevar8x32_ps(starts, _mm256_setr_epi32(plane, plane, plane, plane, plane + 4, plane + 4,
                                                            plane + 4, plane + 4));
}

}  // namespace

template <bool kGouraud, bool kDepth, bool kBlend>
void meshSpanPair(const Setup& t, int y0, int xStart0, int xEnd0, int y1, int xStart1, int xEnd1) {
  const PixelState& s = *t.state;
  std::uint32_t* colourRows[2] = {s.colour + static_cast<std::ptrdiff_t>(y0) * s.pitch + xStart0,
                                  s.colour + static_cast<std::ptrdiff_t>(y1) * s.pitch + xStart1};
  std::uint16_t* depthRows[2] = {s.depth + static_cast<std::ptrdiff_t>(y0) * s.pitch + xStart0,
                                 s.depth + static_cast<std::ptrdiff_t>(y1) * s.pitch + xStart1};
  const int lengths[2] = {xEnd0 - xStart0 + 1, xEnd1 - xStart1 + 1};
  // Each attribute: the first row's start in lanes 0..3, the second's in 4..7.
  const Setup::PlaneTable& table = t.planeTable;
  const __m256 zwuv = _mm256_set_m128(rowStarts(table, 0, y1, xStart1), rowStarts(table, 0, y0, xStart0));
  const __m256 rgba = _mm256_set_m128(rowStarts(table, 4, y1, xStart1), rowStarts(table, 4, y0, xStart0));
  const __m256 z0 = spreadStarts(zwuv, 0), w0 = spreadStarts(zwuv, 1), u0 = spreadStarts(zwuv, 2),
               v0 = spreadStarts(zwuv, 3);
  const __m256 r0 = spreadStarts(rgba, 0), g0 = spreadStarts(rgba, 1), b0 = spreadStarts(rgba, 2);
  const float* step = table.step;  // z, rhw, u, v, r, g, b
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bias = _mm256_set1_epi32(s.depthBias);
  const Channels flat = unpack(_mm256_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)));
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 0, 1, 2, 3);
  const bool depthWrite = kDepth && s.depthWrite;
  auto firstLanes = [](int count) { return static_cast<__mmask8>(0xFu >> (4 - std::clamp(count, 0, 4))); };
  const int longest = std::max(lengths[0], lengths[1]);
  // Each lane's pixel number as a float; whole numbers this small step exactly.
  __m256 index = _mm256_cvtepi32_ps(lanes);
  for (int k = 0; k < longest; k += 4, index = _mm256_add_ps(index, _mm256_set1_ps(4.0f))) {
    const __mmask8 inFirst = firstLanes(lengths[0] - k), inSecond = firstLanes(lengths[1] - k);
    const auto inSpan = static_cast<__mmask8>(inFirst | inSecond << 4);
    const bool fullGroup = inSpan == 0xFF;
    auto at = [&](__m256 base, float delta) { return _mm256_add_ps(base, _mm256_mul_ps(_mm256_set1_ps(delta), index)); };
    __m256i depth = zero;
    __m128i stored16 = _mm_setzero_si128();
    __mmask8 visible = inSpan;
    if constexpr (kDepth) {
      const __m256 z = _mm256_min_ps(_mm256_max_ps(at(z0, step[0]), _mm256_setzero_ps()), _mm256_set1_ps(65535.0f));
      depth = _mm256_max_epi32(_mm256_sub_epi32(_mm256_cvttps_epi32(_mm256_add_ps(z, _mm256_set1_ps(0.5f))), bias), zero);
      stored16 = fullGroup ? _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(depthRows[0] + k)),
                                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(depthRows[1] + k)))
                           : _mm_unpacklo_epi64(_mm_maskz_loadu_epi16(inFirst, depthRows[0] + k),
                                                _mm_maskz_loadu_epi16(inSecond, depthRows[1] + k));
      visible = _mm256_mask_cmple_epi32_mask(inSpan, depth, _mm256_cvtepu16_epi32(stored16));
      if (visible == 0) continue;
    }
    const __m256 oneOverRhw = _mm256_div_ps(_mm256_set1_ps(1.0f), at(w0, step[1]));
    Channels diffuse = flat;
    if constexpr (kGouraud) {
      diffuse = gouraudChannels(toBytes8(_mm256_mul_ps(at(r0, step[4]), oneOverRhw)),
                                toBytes8(_mm256_mul_ps(at(g0, step[5]), oneOverRhw)),
                                toBytes8(_mm256_mul_ps(at(b0, step[6]), oneOverRhw)));
    }
    const __m256 texelOffset = _mm256_set1_ps(128.0f);
    const __m256i us = floorToInts8(_mm256_sub_ps(_mm256_mul_ps(at(u0, step[2]), oneOverRhw), texelOffset));
    const __m256i vs = floorToInts8(_mm256_sub_ps(_mm256_mul_ps(at(v0, step[3]), oneOverRhw), texelOffset));
    __m256i colour = modulateEight(sampleEight(t, us, vs), diffuse);
    if constexpr (kBlend) {
      const __m256i destination = _mm256_set_m128i(_mm_maskz_loadu_epi32(inSecond, colourRows[1] + k),
                                                   _mm_maskz_loadu_epi32(inFirst, colourRows[0] + k));
      colour = blendEight(t, colour, destination);
    }
    const auto visibleFirst = static_cast<__mmask8>(visible & 0xF), visibleSecond = static_cast<__mmask8>(visible >> 4);
    _mm_mask_storeu_epi32(colourRows[0] + k, visibleFirst, _mm256_castsi256_si128(colour));
    _mm_mask_storeu_epi32(colourRows[1] + k, visibleSecond, _mm256_extracti128_si256(colour, 1));
    if (depthWrite) {
      const __m128i depth16 = _mm256_maskz_cvtepi32_epi16(0xFF, depth);
      if (fullGroup) {
        // Eight-byte stores, hidden lanes keeping what was read: a masked
        // store spans sixteen bytes, and the next group's load from the
        // other half would wait for it to reach the cache.
        const __m128i merged = _mm_mask_blend_epi16(visible, stored16, depth16);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(depthRows[0] + k), merged);
        _mm_storeh_pi(reinterpret_cast<__m64*>(depthRows[1] + k), _mm_castsi128_ps(merged));
      } else {
        _mm_mask_storeu_epi16(depthRows[0] + k, visibleFirst, depth16);
        _mm_mask_storeu_epi16(depthRows[1] + k, visibleSecond, _mm_srli_si128(depth16, 8));
      }
    }
  }
}

template void meshSpanPair<false, false, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, false, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, true, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, true, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, false, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, false, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, true, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, true, true>(const Setup&, int, int, int, int, int, int);
#endif

}  // namespace raster::GLASS_WIDE_NAMESPACE
