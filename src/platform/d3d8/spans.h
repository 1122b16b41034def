// Chooses the span routine for a triangle (see spans.cpp).
#pragma once

#include "platform/d3d8/pixel_pipeline.h"

namespace raster {

using SpanFunction = void (*)(const Setup&, int, int, int);

SpanFunction pickSpan(const Setup& setup, bool perspective, bool textured, bool gouraud, bool depth, bool blend);

// Draws two rows of a triangle at once: rows y0 and y1, spans [xStart0,
// xEnd0] and [xStart1, xEnd1]. Offered for the meshes' kinds of span where
// the processor has the width for it; null otherwise.
using SpanPairFunction = void (*)(const Setup&, int y0, int xStart0, int xEnd0, int y1, int xStart1, int xEnd1);

SpanPairFunction pickSpanPair(const Setup& setup, bool perspective, bool textured, bool gouraud, bool depth,
                              bool blend);

}  // namespace raster
