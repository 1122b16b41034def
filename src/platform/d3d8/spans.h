// Chooses the span routine for a triangle (see spans.cpp).
#pragma once

#include "platform/d3d8/pixel_pipeline.h"

namespace raster {

using SpanFunction = void (*)(const Setup&, int, int, int);

SpanFunction pickSpan(const Setup& setup, bool perspective, bool textured, bool gouraud, bool depth, bool blend);

}  // namespace raster
