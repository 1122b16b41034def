// Eight-pixel versions of the four-pixel span loops, for processors with
// AVX2 (chosen at run time). They compute exactly what the four-pixel and
// one-pixel routines compute; only the width differs.
#pragma once

#include <cstdint>

#include "platform/d3d8/pixel_pipeline.h"

namespace raster {

// True when this processor runs the eight-pixel loops and they are enabled.
bool wideSpansAvailable();
// Tests switch them off to compare with the narrower routines.
void setWideSpansEnabled(bool enabled);

// Overlay pixels [x, x + 8 * groups): fixed-point coordinates fu, fv advance
// by fdu, fdv per pixel and are left after the last pixel done.
void overlayGroupsWide(const Setup& t, std::uint32_t* row, int x, int groups, std::int32_t* fu, std::int32_t* fv,
                       std::int32_t fdu, std::int32_t fdv, bool blend);

// Per-span starting values and steps of a mesh span (see drawMeshSpan).
struct SpanStarts {
  float z0, dz, w0, dw, u0, du, v0, dv, r0, dr, g0, dg, b0, db;
};

// A whole mesh span [xStart, xEnd] of row y: perspective-correct, textured,
// depth-tested LESSEQUAL or not, blended as blendPixel's add, subtract and
// alpha modes or opaque. Writes only the span's pixels, but may read and
// rewrite unchanged up to 7 pixels after it in the same row (never another
// row's). Defined for every combination of the flags.
template <bool kGouraud, bool kDepth, bool kBlend>
void meshSpanWide(const Setup& t, int y, int xStart, int xEnd, const SpanStarts& starts);

// Pixels of padding the colour and depth buffers need after their last row.
constexpr int kSpanPadding = 8;

}  // namespace raster
