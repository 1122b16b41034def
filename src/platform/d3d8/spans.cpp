// Span routines: one row of a triangle's pixels, specialised by what the
// triangle needs (perspective, texture, Gouraud colour, depth, blending).
// The kinds the presentation draws (full-screen overlays; textured meshes
// with the depth test on or off, depth writes on or off, opaque or blended)
// also run four pixels at a time with SSE2, or eight with AVX2
// (spans_wide.cpp); all widths compute the same values, so output never
// depends on the path.

#include "platform/d3d8/spans.h"

#include "platform/d3d8/float_to_int.h"
#include "platform/d3d8/spans_wide.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace raster {
namespace {

constexpr double kFixedLimit = 1073741824.0;  // 2^30, in 1/65536 texel

// Attributes are evaluated as start + step * k for pixel k of the span (no
// running sums), so the four-pixel routines below compute the same values.
template <bool kPerspective, bool kTextured, bool kGouraud, bool kDepth, bool kBlend>
void drawSpan(const Setup& t, int y, int xStart, int xEnd) {
  const PixelState& s = *t.state;
  const double px = xStart;
  const double py = y;
  auto at = [&](const Plane& p) { return static_cast<float>(p.c + p.dx * px + p.dy * py); };
  auto step = [](const Plane& p) { return static_cast<float>(p.dx); };

  const float z0 = at(t.z), dz = step(t.z);
  const float w0 = at(t.rhw), dw = step(t.rhw);
  const float u0 = at(t.u), du = step(t.u);
  const float v0 = at(t.v), dv = step(t.v);
  const float r0 = at(t.r), dr = step(t.r);
  const float g0 = at(t.g), dg = step(t.g);
  const float b0 = at(t.b), db = step(t.b);
  const float a0 = at(t.a), da = step(t.a);

  // Affine texture coordinates step in fixed point (1/65536 texel) when the
  // whole span fits; otherwise per pixel in float.
  bool fixedCoordinates = false;
  std::int32_t fu = 0, fv = 0, fdu = 0, fdv = 0;
  if constexpr (kTextured && !kPerspective) {
    const double ustart = (t.u.c + t.u.dx * px + t.u.dy * py) * 256.0;
    const double vstart = (t.v.c + t.v.dx * px + t.v.dy * py) * 256.0;
    const double span = xEnd - xStart;
    const double uend = ustart + t.u.dx * 256.0 * span, vend = vstart + t.v.dx * 256.0 * span;
    if (std::fabs(ustart) < kFixedLimit && std::fabs(uend) < kFixedLimit && std::fabs(vstart) < kFixedLimit &&
        std::fabs(vend) < kFixedLimit) {
      fixedCoordinates = true;
      fu = static_cast<std::int32_t>(std::floor(ustart));
      fv = static_cast<std::int32_t>(std::floor(vstart));
      fdu = static_cast<std::int32_t>(std::lround(t.u.dx * 256.0));
      fdv = static_cast<std::int32_t>(std::lround(t.v.dx * 256.0));
    }
  }

  // Depth outside 0..1 only needs checking per pixel when the span's ends
  // straddle the range (depth is linear along the span).
  bool checkRange = false;
  if (s.dropOutsideDepthRange) {
    const float z1 = static_cast<float>(t.z.c + t.z.dx * (px + (xEnd - xStart)) + t.z.dy * py);
    auto inside = [](float value) { return value >= -0.5f && value <= 65535.5f; };
    if (!inside(z0) && !inside(z1) && ((z0 < 0) == (z1 < 0))) return;
    checkRange = !(inside(z0) && inside(z1));
  }

  std::uint32_t* colourRow = s.colour + static_cast<std::ptrdiff_t>(y) * s.pitch;
  std::uint16_t* depthRow = s.depth + static_cast<std::ptrdiff_t>(y) * s.pitch;
  const std::uint32_t mask = t.writeMask;
  const bool depthWrite = kDepth && s.depthWrite;

  for (int x = xStart; x <= xEnd; ++x) {
    const float k = static_cast<float>(x - xStart);
    const float z = z0 + dz * k;
    std::uint32_t depthValue = 0;
    bool visible = !checkRange || (z >= -0.5f && z <= 65535.5f);
    if constexpr (kDepth) {
      const int d = static_cast<int>(std::clamp(z, 0.0f, 65535.0f) + 0.5f) - s.depthBias;
      depthValue = static_cast<std::uint32_t>(d < 0 ? 0 : d);
      if (t.depthLessEqual) {
        visible = visible && depthValue <= depthRow[x];
      } else {
        visible = visible && compare(s.depthFunc, depthValue, depthRow[x]);
      }
    }
    if (visible) {
      const float oneOverRhw = kPerspective ? 1.0f / (w0 + dw * k) : 1.0f;
      std::uint32_t diffuse = t.flatColour;
      if constexpr (kGouraud) {
        diffuse = packColour((r0 + dr * k) * oneOverRhw, (g0 + dg * k) * oneOverRhw, (b0 + db * k) * oneOverRhw,
                             (a0 + da * k) * oneOverRhw);
      }
      // Without a texture (or with stage 0 disabled) the stage passes the
      // diffuse colour and alpha through, as drivers do.
      std::uint32_t out = diffuse;
      if constexpr (kTextured) {
        std::uint32_t texel;
        if constexpr (kPerspective) {
          texel = sampleTexture(t, floorToInt((u0 + du * k) * oneOverRhw - 128.0f),
                                floorToInt((v0 + dv * k) * oneOverRhw - 128.0f));
        } else if (fixedCoordinates) {
          texel = sampleTexture(t, fu >> 8, fv >> 8);
        } else {
          texel = sampleTexture(t, floorToInt(u0 + du * k), floorToInt(v0 + dv * k));
        }
        out = combineStage(t, texel, diffuse);
      }
      if (!s.alphaTest || compare(s.alphaFunc, out >> 24, s.alphaRef)) {
        if constexpr (kBlend) out = blendPixel(t, out, colourRow[x]);
        colourRow[x] = mask == 0xFFFFFFFFu ? out : (out & mask) | (colourRow[x] & ~mask);
        if (depthWrite) depthRow[x] = static_cast<std::uint16_t>(depthValue);
      }
    }
    if constexpr (kTextured && !kPerspective) {
      fu = steppedFixed(fu, 1, fdu);
      fv = steppedFixed(fv, 1, fdv);
    }
  }
}

template <bool kPerspective, bool kTextured, bool kGouraud>
SpanFunction pickSpan(bool depth, bool blend) {
  if (depth) {
    return blend ? &drawSpan<kPerspective, kTextured, kGouraud, true, true>
                 : &drawSpan<kPerspective, kTextured, kGouraud, true, false>;
  }
  return blend ? &drawSpan<kPerspective, kTextured, kGouraud, false, true>
               : &drawSpan<kPerspective, kTextured, kGouraud, false, false>;
}


#if defined(__SSE2__)

// Four pixels at a time for the full-screen overlays: affine texture
// coordinates in fixed point, bilinear sampling from a wrapping power-of-two
// texture, one flat colour, no depth, optional ONE/ONE or SRCALPHA/
// INVSRCALPHA blending. Every step computes exactly what the scalar
// routines compute, so a pixel's value does not depend on the path taken.

GLASS_INLINE __m128i lerpChannels(__m128i p, __m128i q, __m128i f) {  // 16-bit lanes
  const __m128i g = _mm_sub_epi16(_mm_set1_epi16(256), f);
  const __m128i x = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(p, g), _mm_mullo_epi16(q, f)), _mm_set1_epi16(128));
  return _mm_srli_epi16(x, 8);
}

GLASS_INLINE __m128i divide255(__m128i x) {  // round(x / 255) for x = a * b, 16-bit lanes, with +128 added
  return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Per-pixel weights (four 32-bit lanes, each below 256) spread over the four
// channels of two pixels: low half for pixels 0 and 1, high half for 2 and 3.
GLASS_INLINE void spreadWeights(__m128i weights, __m128i* low, __m128i* high) {
  constexpr int kPattern = _MM_SHUFFLE(2, 2, 0, 0);
  const __m128i lowPairs = _mm_unpacklo_epi32(weights, weights);
  const __m128i highPairs = _mm_unpackhi_epi32(weights, weights);
  *low = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lowPairs, kPattern), kPattern);
  *high = _mm_shufflehi_epi16(_mm_shufflelo_epi16(highPairs, kPattern), kPattern);
}


// The two horizontally adjacent texels of one row, as the low 64 bits.
GLASS_INLINE __m128i loadPair(const std::uint32_t* row, int x0, int x1) {
  if (x1 == x0 + 1) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x0));
  return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(row[x0])), _mm_cvtsi32_si128(static_cast<int>(row[x1])));
}

// Bilinear samples for four pixels; texel coordinates in 1/256 texel.
// Filters across, then down, exactly as sampleTexture does.
GLASS_INLINE __m128i sampleFour(const Setup& t, __m128i us, __m128i vs) {
  const std::uint32_t* texels = t.state->texture.texels;
  const __m128i one = _mm_set1_epi32(1);
  const __m128i maskU = _mm_set1_epi32(t.wrapMaskU);
  const __m128i maskV = _mm_set1_epi32(t.wrapMaskV);
  const __m128i shift = _mm_cvtsi32_si128(t.rowShift);
  const __m128i iu = _mm_srai_epi32(us, 8);
  const __m128i iv = _mm_srai_epi32(vs, 8);
  alignas(16) std::int32_t x0[4], x1[4], y0[4], y1[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(x0), _mm_and_si128(iu, maskU));
  _mm_store_si128(reinterpret_cast<__m128i*>(x1), _mm_and_si128(_mm_add_epi32(iu, one), maskU));
  _mm_store_si128(reinterpret_cast<__m128i*>(y0), _mm_sll_epi32(_mm_and_si128(iv, maskV), shift));
  _mm_store_si128(reinterpret_cast<__m128i*>(y1), _mm_sll_epi32(_mm_and_si128(_mm_add_epi32(iv, one), maskV), shift));
  // Each row's left and right texels come as one pair; regroup the pairs
  // into vectors of left texels and of right texels.
  auto regroup = [](__m128i p0, __m128i p1, __m128i p2, __m128i p3, __m128i* left, __m128i* right) {
    const __m128 a = _mm_castsi128_ps(_mm_unpacklo_epi64(p0, p1));
    const __m128 b = _mm_castsi128_ps(_mm_unpacklo_epi64(p2, p3));
    *left = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    *right = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
  };
  __m128i t00, t10, t01, t11;
  regroup(loadPair(texels + y0[0], x0[0], x1[0]), loadPair(texels + y0[1], x0[1], x1[1]),
          loadPair(texels + y0[2], x0[2], x1[2]), loadPair(texels + y0[3], x0[3], x1[3]), &t00, &t10);
  regroup(loadPair(texels + y1[0], x0[0], x1[0]), loadPair(texels + y1[1], x0[1], x1[1]),
          loadPair(texels + y1[2], x0[2], x1[2]), loadPair(texels + y1[3], x0[3], x1[3]), &t01, &t11);
  const __m128i zero = _mm_setzero_si128();
  const __m128i low8 = _mm_set1_epi32(255);
  __m128i fxLow, fxHigh, fyLow, fyHigh;
  spreadWeights(_mm_and_si128(us, low8), &fxLow, &fxHigh);
  spreadWeights(_mm_and_si128(vs, low8), &fyLow, &fyHigh);
  const __m128i low = lerpChannels(lerpChannels(_mm_unpacklo_epi8(t00, zero), _mm_unpacklo_epi8(t10, zero), fxLow),
                                   lerpChannels(_mm_unpacklo_epi8(t01, zero), _mm_unpacklo_epi8(t11, zero), fxLow), fyLow);
  const __m128i high = lerpChannels(lerpChannels(_mm_unpackhi_epi8(t00, zero), _mm_unpackhi_epi8(t10, zero), fxHigh),
                                    lerpChannels(_mm_unpackhi_epi8(t01, zero), _mm_unpackhi_epi8(t11, zero), fxHigh), fyHigh);
  return _mm_or_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(static_cast<int>(t.state->texture.alphaOr)));
}

// ONE/ONE add, reverse subtract and subtract, or SRCALPHA/INVSRCALPHA, of
// four source pixels over four destination pixels, as blendPixel does.
GLASS_INLINE __m128i blendFour(const Setup& t, __m128i colour, __m128i destination) {
  const __m128i zero = _mm_setzero_si128();
  switch (t.blendMode) {
    case BlendMode::kAdd: return _mm_adds_epu8(colour, destination);
    case BlendMode::kReverseSubtract: return _mm_subs_epu8(destination, colour);
    case BlendMode::kSubtract: return _mm_subs_epu8(colour, destination);
    default: {  // kAlpha: round((s * a + d * (255 - a)) / 255)
      constexpr int kAlphaLane = _MM_SHUFFLE(3, 3, 3, 3);
      const __m128i sLow = _mm_unpacklo_epi8(colour, zero), sHigh = _mm_unpackhi_epi8(colour, zero);
      const __m128i aLow = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sLow, kAlphaLane), kAlphaLane);
      const __m128i aHigh = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sHigh, kAlphaLane), kAlphaLane);
      const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
      const __m128i mixLow = _mm_add_epi16(
          _mm_add_epi16(_mm_mullo_epi16(sLow, aLow),
                        _mm_mullo_epi16(_mm_unpacklo_epi8(destination, zero), _mm_sub_epi16(full, aLow))),
          half);
      const __m128i mixHigh = _mm_add_epi16(
          _mm_add_epi16(_mm_mullo_epi16(sHigh, aHigh),
                        _mm_mullo_epi16(_mm_unpackhi_epi8(destination, zero), _mm_sub_epi16(full, aHigh))),
          half);
      return _mm_packus_epi16(divide255(mixLow), divide255(mixHigh));
    }
  }
}

template <bool kBlend>
void drawOverlaySpan(const Setup& t, int y, int xStart, int xEnd) {
  const PixelState& s = *t.state;
  const double px = xStart;
  const double py = y;
  const double u0 = (t.u.c + t.u.dx * px + t.u.dy * py) * 256.0, v0 = (t.v.c + t.v.dx * px + t.v.dy * py) * 256.0;
  const double span = xEnd - xStart;
  const double u1 = u0 + t.u.dx * 256.0 * span, v1 = v0 + t.v.dx * 256.0 * span;
  bool rangeOk = true;
  if (s.dropOutsideDepthRange) {
    const float z0 = static_cast<float>(t.z.c + t.z.dx * px + t.z.dy * py);
    const float z1 = static_cast<float>(t.z.c + t.z.dx * (px + span) + t.z.dy * py);
    rangeOk = z0 >= -0.5f && z0 <= 65535.5f && z1 >= -0.5f && z1 <= 65535.5f;
  }
  if (!rangeOk || !(std::fabs(u0) < kFixedLimit && std::fabs(u1) < kFixedLimit && std::fabs(v0) < kFixedLimit &&
                    std::fabs(v1) < kFixedLimit)) {
    drawSpan<false, true, false, false, kBlend>(t, y, xStart, xEnd);
    return;
  }
  std::int32_t fu = static_cast<std::int32_t>(std::floor(u0));
  std::int32_t fv = static_cast<std::int32_t>(std::floor(v0));
  const std::int32_t fdu = static_cast<std::int32_t>(std::lround(t.u.dx * 256.0));
  const std::int32_t fdv = static_cast<std::int32_t>(std::lround(t.v.dx * 256.0));

  std::uint32_t* row = s.colour + static_cast<std::ptrdiff_t>(y) * s.pitch;
  const __m128i zero = _mm_setzero_si128();
  const bool modulate = t.flatColour != 0xFFFFFFFFu;
  // The texel's alpha passes unchanged: multiply it by 255.
  const __m128i diffuse = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u)), zero);

  int x = xStart;
  if (const WideSpans wide = wideSpans(); wide != WideSpans::kNone) {
    const int count = xEnd - xStart + 1;
    x += wide == WideSpans::kAvx512 ? avx512::overlayPixelsWide(t, row, x, count, &fu, &fv, fdu, fdv, kBlend)
                                    : avx2::overlayPixelsWide(t, row, x, count, &fu, &fv, fdu, fdv, kBlend);
  }
  for (; x + 3 <= xEnd; x += 4) {
    const __m128i us = _mm_srai_epi32(_mm_set_epi32(fu + 3 * fdu, fu + 2 * fdu, fu + fdu, fu), 8);
    const __m128i vs = _mm_srai_epi32(_mm_set_epi32(fv + 3 * fdv, fv + 2 * fdv, fv + fdv, fv), 8);
    fu = steppedFixed(fu, 4, fdu);
    fv = steppedFixed(fv, 4, fdv);
    __m128i colour = sampleFour(t, us, vs);
    __m128i low, high;
    if (modulate) {
      low = divide255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(colour, zero), diffuse), _mm_set1_epi16(128)));
      high = divide255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(colour, zero), diffuse), _mm_set1_epi16(128)));
      colour = _mm_packus_epi16(low, high);
    }
    __m128i* target = reinterpret_cast<__m128i*>(row + x);
    if constexpr (kBlend) colour = blendFour(t, colour, _mm_loadu_si128(target));
    _mm_storeu_si128(target, colour);
  }
  for (; x <= xEnd; ++x) {  // the last few pixels, one at a time
    std::uint32_t out = combineStage(t, sampleTexture(t, fu >> 8, fv >> 8), t.flatColour);
    if constexpr (kBlend) out = blendPixel(t, out, row[x]);
    row[x] = out;
    fu = steppedFixed(fu, 1, fdu);
    fv = steppedFixed(fv, 1, fdv);
  }
}

// Four pixels at a time for perspective-correct textured triangles (the
// meshes): depth test LESSEQUAL or none, depth writes on or off, opaque or
// blended as blendFour does. Attributes are evaluated as start + step * i
// for pixel i of the span; the last group masks its unused lanes.
GLASS_INLINE __m128i floorToInts(__m128 value) {
  const __m128 limit = _mm_set1_ps(kTexCoordLimit);
  value = _mm_min_ps(_mm_max_ps(value, _mm_sub_ps(_mm_setzero_ps(), limit)), limit);
  const __m128i truncated = truncateToInts(value);
  // Truncation rounds negative values up: step back where it did.
  return _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmplt_ps(value, _mm_cvtepi32_ps(truncated))));
}

GLASS_INLINE __m128i toBytes(__m128 value) {  // clamp to 0..255 and round half up
  value = _mm_min_ps(_mm_max_ps(value, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  return truncateToInts(_mm_add_ps(value, _mm_set1_ps(0.5f)));
}

SpanStarts meshSpanStarts(const Setup& t, int y, int xStart) {
  const double px = xStart;
  const double py = y;
  auto start = [&](const Plane& p) { return static_cast<float>(p.c + p.dx * px + p.dy * py); };
  auto step = [](const Plane& p) { return static_cast<float>(p.dx); };
  return {start(t.z), step(t.z), start(t.rhw), step(t.rhw), start(t.u), step(t.u), start(t.v),
          step(t.v),  start(t.r), step(t.r),   start(t.g),  step(t.g),  start(t.b), step(t.b)};
}

// kWide: which eight-pixel loop does the span, if any (chosen once per
// triangle).
template <bool kGouraud, bool kDepth, bool kBlend, WideSpans kWide>
void drawMeshSpan(const Setup& t, int y, int xStart, int xEnd) {
  const PixelState& s = *t.state;
  const SpanStarts starts = meshSpanStarts(t, y, xStart);
  if constexpr (kWide == WideSpans::kAvx512) {
    avx512::meshSpanWide<kGouraud, kDepth, kBlend>(t, y, xStart, xEnd, starts);
    return;
  } else if constexpr (kWide == WideSpans::kAvx2) {
    avx2::meshSpanWide<kGouraud, kDepth, kBlend>(t, y, xStart, xEnd, starts);
    return;
  }
  const __m128 z0 = _mm_set1_ps(starts.z0), dz = _mm_set1_ps(starts.dz);
  const __m128 w0 = _mm_set1_ps(starts.w0), dw = _mm_set1_ps(starts.dw);
  const __m128 u0 = _mm_set1_ps(starts.u0), du = _mm_set1_ps(starts.du);
  const __m128 v0 = _mm_set1_ps(starts.v0), dv = _mm_set1_ps(starts.dv);
  const __m128 r0 = _mm_set1_ps(starts.r0), dr = _mm_set1_ps(starts.dr);
  const __m128 g0 = _mm_set1_ps(starts.g0), dg = _mm_set1_ps(starts.dg);
  const __m128 b0 = _mm_set1_ps(starts.b0), db = _mm_set1_ps(starts.db);

  std::uint32_t* colourRow = s.colour + static_cast<std::ptrdiff_t>(y) * s.pitch;
  std::uint16_t* depthRow = s.depth + static_cast<std::ptrdiff_t>(y) * s.pitch;
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi32(s.depthBias);
  const __m128i opaqueAlpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i flat = _mm_set1_epi32(static_cast<int>(t.flatColour | 0xFF000000u));
  const bool depthWrite = kDepth && s.depthWrite;
  alignas(16) std::int32_t depths[4];
  alignas(16) std::uint32_t colours[4];

  for (int x = xStart; x <= xEnd; x += 4) {
    const int lanes = std::min(4, xEnd - x + 1);
    const int k = x - xStart;
    const __m128 index = _mm_cvtepi32_ps(_mm_set_epi32(k + 3, k + 2, k + 1, k));
    auto at = [&](__m128 base, __m128 delta) { return _mm_add_ps(base, _mm_mul_ps(delta, index)); };

    int visible = (1 << lanes) - 1;
    __m128i depth = zero;
    if constexpr (kDepth) {  // quantise, bias, compare LESSEQUAL against the buffer
      const __m128 z = _mm_min_ps(_mm_max_ps(at(z0, dz), _mm_setzero_ps()), _mm_set1_ps(65535.0f));
      depth = _mm_sub_epi32(truncateToInts(_mm_add_ps(z, _mm_set1_ps(0.5f))), bias);
      depth = _mm_andnot_si128(_mm_cmplt_epi32(depth, zero), depth);
      __m128i storedDepth;
      if (lanes == 4) {
        storedDepth = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(depthRow + x)), zero);
      } else {
        std::uint16_t stored[4] = {0, 0, 0, 0};
        for (int i = 0; i < lanes; ++i) stored[i] = depthRow[x + i];
        storedDepth = _mm_set_epi32(stored[3], stored[2], stored[1], stored[0]);
      }
      visible &= ~_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(depth, storedDepth)));
      if (visible == 0) continue;
    }

    const __m128 oneOverRhw = _mm_div_ps(_mm_set1_ps(1.0f), at(w0, dw));
    __m128i diffuse = flat;
    if constexpr (kGouraud) {
      diffuse = _mm_or_si128(
          _mm_or_si128(_mm_slli_epi32(toBytes(_mm_mul_ps(at(r0, dr), oneOverRhw)), 16),
                       _mm_slli_epi32(toBytes(_mm_mul_ps(at(g0, dg), oneOverRhw)), 8)),
          _mm_or_si128(toBytes(_mm_mul_ps(at(b0, db), oneOverRhw)), opaqueAlpha));
    }
    const __m128i us = floorToInts(_mm_sub_ps(_mm_mul_ps(at(u0, du), oneOverRhw), _mm_set1_ps(128.0f)));
    const __m128i vs = floorToInts(_mm_sub_ps(_mm_mul_ps(at(v0, dv), oneOverRhw), _mm_set1_ps(128.0f)));
    const __m128i texel = sampleFour(t, us, vs);
    __m128i low, high;
    low = divide255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(texel, zero), _mm_unpacklo_epi8(diffuse, zero)),
                                  _mm_set1_epi16(128)));
    high = divide255(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(texel, zero), _mm_unpackhi_epi8(diffuse, zero)),
                                   _mm_set1_epi16(128)));
    __m128i colour = _mm_packus_epi16(low, high);
    if (visible == 0xF) {
      __m128i* target = reinterpret_cast<__m128i*>(colourRow + x);
      if constexpr (kBlend) colour = blendFour(t, colour, _mm_loadu_si128(target));
      _mm_storeu_si128(target, colour);
      if (depthWrite) {
        // 0..65535 through a signed pack: shift down by 32768 and back.
        const __m128i bias16 = _mm_set1_epi32(32768);
        const __m128i packed = _mm_packs_epi32(_mm_sub_epi32(depth, bias16), zero);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(depthRow + x), _mm_add_epi16(packed, _mm_set1_epi16(-32768)));
      }
      continue;
    }
    if constexpr (kBlend) {
      std::uint32_t destination[4] = {0, 0, 0, 0};
      for (int i = 0; i < lanes; ++i) destination[i] = colourRow[x + i];
      colour = blendFour(t, colour, _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination)));
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(colours), colour);
    _mm_store_si128(reinterpret_cast<__m128i*>(depths), depth);
    for (int i = 0; i < lanes; ++i) {
      if ((visible >> i) & 1) {
        colourRow[x + i] = colours[i];
        if (depthWrite) depthRow[x + i] = static_cast<std::uint16_t>(depths[i]);
      }
    }
  }
}

template <bool kGouraud, bool kDepth, bool kBlend>
SpanFunction pickMeshSpan() {
  switch (wideSpans()) {
    case WideSpans::kAvx512: return &drawMeshSpan<kGouraud, kDepth, kBlend, WideSpans::kAvx512>;
    case WideSpans::kAvx2: return &drawMeshSpan<kGouraud, kDepth, kBlend, WideSpans::kAvx2>;
    default: return &drawMeshSpan<kGouraud, kDepth, kBlend, WideSpans::kNone>;
  }
}

template <bool kGouraud>
SpanPairFunction pickMeshSpanPair(bool depth, bool blend) {
  using avx512::meshSpanPair;
  if (depth) return blend ? &meshSpanPair<kGouraud, true, true> : &meshSpanPair<kGouraud, true, false>;
  return blend ? &meshSpanPair<kGouraud, false, true> : &meshSpanPair<kGouraud, false, false>;
}

template <bool kGouraud>
SpanFunction pickMeshSpan(bool depth, bool blend) {
  if (depth) return blend ? pickMeshSpan<kGouraud, true, true>() : pickMeshSpan<kGouraud, true, false>();
  return blend ? pickMeshSpan<kGouraud, false, true>() : pickMeshSpan<kGouraud, false, false>();
}

// Perspective-correct, bilinear from a wrapping power-of-two texture,
// modulated by the diffuse colour, LESSEQUAL or no depth test, opaque or a
// blend the wide loops know, all channels written: the meshes' spans.
bool isMeshSpan(const Setup& t, bool perspective, bool textured, bool depth, bool blend) {
  const PixelState& s = *t.state;
  return perspective && textured && t.fastBilinear && t.defaultCombine && (!depth || t.depthLessEqual) &&
         (!blend || t.blendMode != BlendMode::kGeneric) && !s.alphaTest && t.writeMask == 0xFFFFFFFFu &&
         !s.dropOutsideDepthRange;
}

#endif  // __SSE2__

}  // namespace

SpanPairFunction pickSpanPair(const Setup& t, bool perspective, bool textured, bool gouraud, bool depth,
                              bool blend) {
#if defined(__SSE2__)
  if (wideSpans() == WideSpans::kAvx512 && isMeshSpan(t, perspective, textured, depth, blend)) {
    return gouraud ? pickMeshSpanPair<true>(depth, blend) : pickMeshSpanPair<false>(depth, blend);
  }
#endif
  return nullptr;
}

SpanFunction pickSpan(const Setup& t, bool perspective, bool textured, bool gouraud, bool depth, bool blend) {
#if defined(__SSE2__)
  const PixelState& s = *t.state;
  if (!perspective && textured && !gouraud && !depth && t.fastBilinear && t.defaultCombine && !s.alphaTest &&
      t.writeMask == 0xFFFFFFFFu && (!blend || t.blendMode != BlendMode::kGeneric)) {
    return blend ? &drawOverlaySpan<true> : &drawOverlaySpan<false>;
  }
  if (isMeshSpan(t, perspective, textured, depth, blend)) {
    return gouraud ? pickMeshSpan<true>(depth, blend) : pickMeshSpan<false>(depth, blend);
  }
#endif
  if (perspective) {
    if (textured) return gouraud ? pickSpan<true, true, true>(depth, blend) : pickSpan<true, true, false>(depth, blend);
    return gouraud ? pickSpan<true, false, true>(depth, blend) : pickSpan<true, false, false>(depth, blend);
  }
  if (textured) return gouraud ? pickSpan<false, true, true>(depth, blend) : pickSpan<false, true, false>(depth, blend);
  return gouraud ? pickSpan<false, false, true>(depth, blend) : pickSpan<false, false, false>(depth, blend);
}

}  // namespace raster
