// Eight-pixel versions of the four-pixel span loops, for processors with
// AVX2, and the same loops compiled for AVX-512 (more registers, and the
// overlays sixteen pixels at a time); chosen at run time. They compute
// exactly what the four-pixel and one-pixel routines compute; only the
// width differs.
#pragma once

#include <cstdint>

#include "platform/d3d8/pixel_pipeline.h"

namespace raster {

enum class WideSpans { kNone, kAvx2, kAvx512 };

// The widest loops in use: what this processor runs, within the limit.
WideSpans wideSpans();
// Tests lower the limit to compare each width with the narrower ones.
void limitWideSpans(WideSpans widest);

// Per-span starting values and steps of a mesh span (see drawMeshSpan).
struct SpanStarts {
  float z0, dz, w0, dw, u0, du, v0, dv, r0, dr, g0, dg, b0, db;
};

// The loops of each instruction set, in a namespace of their own:
//
// overlayPixelsWide: overlay pixels from x on, at most `count`; returns how
// many it drew: all of them with AVX-512 (the last few under a mask), whole
// groups of eight otherwise. Fixed-point coordinates fu, fv advance by fdu,
// fdv per pixel and are left after the last pixel drawn.
//
// meshSpanWide: a whole mesh span [xStart, xEnd] of row y: perspective-
// correct, textured, depth-tested LESSEQUAL or not, blended as blendPixel's
// add, subtract and alpha modes or opaque. Writes only the span's pixels,
// but may read and rewrite unchanged up to 7 pixels after it in the same
// row (never another row's). Defined for every combination of the flags.
#define GLASS_WIDE_SPAN_LOOPS                                                                                     \
  int overlayPixelsWide(const Setup& t, std::uint32_t* row, int x, int count, std::int32_t* fu, std::int32_t* fv,   \
                        std::int32_t fdu, std::int32_t fdv, bool blend);                                           \
  template <bool kGouraud, bool kDepth, bool kBlend>                                                               \
  void meshSpanWide(const Setup& t, int y, int xStart, int xEnd, const SpanStarts& starts);
namespace avx2 {
GLASS_WIDE_SPAN_LOOPS
}  // namespace avx2
namespace avx512 {
GLASS_WIDE_SPAN_LOOPS

// Two rows of a triangle at once: four of each row's pixels per step, so
// short spans leave fewer lanes idle than eight of one row would. Each
// pixel is computed as meshSpanWide computes it, from the triangle's
// planeTable; only these rows' pixels are read or written.
template <bool kGouraud, bool kDepth, bool kBlend>
void meshSpanPair(const Setup& t, int y0, int xStart0, int xEnd0, int y1, int xStart1, int xEnd1);
}  // namespace avx512
#undef GLASS_WIDE_SPAN_LOOPS

// Every kind of mesh span the rasterizer picks: Gouraud or not, depth test
// or not, blending or not.
#define GLASS_MESH_SPAN_KINDS                                                                      \
  template void meshSpanWide<false, false, false>(const Setup&, int, int, int, const SpanStarts&); \
  template void meshSpanWide<false, false, true>(const Setup&, int, int, int, const SpanStarts&);  \
  template void meshSpanWide<false, true, false>(const Setup&, int, int, int, const SpanStarts&);  \
  template void meshSpanWide<false, true, true>(const Setup&, int, int, int, const SpanStarts&);   \
  template void meshSpanWide<true, false, false>(const Setup&, int, int, int, const SpanStarts&);  \
  template void meshSpanWide<true, false, true>(const Setup&, int, int, int, const SpanStarts&);   \
  template void meshSpanWide<true, true, false>(const Setup&, int, int, int, const SpanStarts&);   \
  template void meshSpanWide<true, true, true>(const Setup&, int, int, int, const SpanStarts&);

// Pixels of padding the colour and depth buffers need after their last row.
constexpr int kSpanPadding = 8;

}  // namespace raster
