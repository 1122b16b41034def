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

}  // namespace raster
