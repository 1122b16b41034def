#include "platform/d3d8/rasterizer.h"

#include "platform/d3d8/edge_walk.h"
#include "platform/d3d8/spans.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Structure: a triangle is snapped to 28.4 fixed point, its three edge
// functions are kept as exact 64-bit integers, and each row's covered span
// follows from them by exact integer stepping from row to row (edge_walk.h),
// so shared edges are drawn once.
// Attributes use plane equations set up in double once per triangle; each
// span evaluates them in float as start + step * k (spans.cpp), one, four
// or eight pixels at a time with identical results.

namespace {

using namespace raster;

constexpr double kMaxCoordinate = 32768.0;  // pixels; farther triangles are dropped


struct Edge {
  std::int64_t a;        // change per pixel step in x
  std::int64_t r0;       // value at px = 0, py = 0 (with the fill-rule bias)
  std::int64_t rowStep;  // change per row
};

std::int64_t ceilDiv(std::int64_t n, std::int64_t d) { return -floorDivide(-n, d); }

bool finiteVertex(const RasterVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.rhw) &&
         std::isfinite(v.u) && std::isfinite(v.v) && std::fabs(v.x) <= kMaxCoordinate &&
         std::fabs(v.y) <= kMaxCoordinate;
}

Plane makePlane(const double x[3], const double y[3], double inverseArea, double a0, double a1, double a2) {
  const double dx1 = x[1] - x[0], dy1 = y[1] - y[0];
  const double dx2 = x[2] - x[0], dy2 = y[2] - y[0];
  const double da1 = a1 - a0, da2 = a2 - a0;
  Plane p;
  p.dx = (da1 * dy2 - da2 * dy1) * inverseArea;
  p.dy = (da2 * dx1 - da1 * dx2) * inverseArea;
  p.c = a0 - p.dx * x[0] - p.dy * y[0];
  return p;
}

// std::llrint, without the library call: both round to nearest even under
// the default rounding mode. Only called on values far inside 64 bits.
std::int64_t roundToInt64(double value) {
#if defined(__SSE2__) && defined(__x86_64__)
  return _mm_cvtsd_si64(_mm_set_sd(value));
#else
  return std::llrint(value);
#endif
}

bool isPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

// The texel area one pixel covers, in 1/256 texel units squared, at the
// triangle's centre. Judged per screen pixel, so a finer render scale
// filters the same way.
double texelArea(const Setup& t, const double x[3], const double y[3], bool perspective, int scale) {
  double area;
  if (perspective) {
    const double cx = (x[0] + x[1] + x[2]) / 3.0, cy = (y[0] + y[1] + y[2]) / 3.0;
    const double wc = t.rhw.c + t.rhw.dx * cx + t.rhw.dy * cy;
    const double uc = t.u.c + t.u.dx * cx + t.u.dy * cy, vc = t.v.c + t.v.dx * cx + t.v.dy * cy;
    const double dudx = (t.u.dx - uc / wc * t.rhw.dx) / wc, dudy = (t.u.dy - uc / wc * t.rhw.dy) / wc;
    const double dvdx = (t.v.dx - vc / wc * t.rhw.dx) / wc, dvdy = (t.v.dy - vc / wc * t.rhw.dy) / wc;
    area = std::fabs(dudx * dvdy - dudy * dvdx);
  } else {
    area = std::fabs(t.u.dx * t.v.dy - t.u.dy * t.v.dx);
  }
  return area * (static_cast<double>(scale) * scale);
}

}  // namespace

void rasterizeTriangle(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                       const PixelState& state) {
  if (!finiteVertex(v0) || !finiteVertex(v1) || !finiteVertex(v2)) return;
  if (state.left >= state.right || state.top >= state.bottom) return;

  const RasterVertex* vert[3] = {&v0, &v1, &v2};
  // Far-away vertices were judged in screen units above; on the buffer's
  // grid they snap to 1/16 of a buffer pixel.
  const double snap = 16.0 * state.scale;
  std::int64_t fx[3], fy[3];
  for (int i = 0; i < 3; ++i) {
    fx[i] = roundToInt64(static_cast<double>(vert[i]->x) * snap);
    fy[i] = roundToInt64(static_cast<double>(vert[i]->y) * snap);
  }
  std::int64_t area = (fx[1] - fx[0]) * (fy[2] - fy[0]) - (fx[2] - fx[0]) * (fy[1] - fy[0]);
  if (area == 0) return;
  if (state.cullMode == D3DCULL_CCW && area < 0) return;
  if (state.cullMode == D3DCULL_CW && area > 0) return;
  if (area < 0) {  // make the winding clockwise so the interior is positive
    std::swap(vert[1], vert[2]);
    std::swap(fx[1], fx[2]);
    std::swap(fy[1], fy[2]);
    area = -area;
  }

  Edge edges[3];
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const std::int64_t dx = fx[j] - fx[i];
    const std::int64_t dy = fy[j] - fy[i];
    const bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    edges[i].a = -16 * dy;
    edges[i].rowStep = 16 * dx;
    edges[i].r0 = -dx * fy[i] + dy * fx[i] + (topLeft ? 0 : -1);
  }

  const std::int64_t minY = std::min({fy[0], fy[1], fy[2]});
  const std::int64_t maxY = std::max({fy[0], fy[1], fy[2]});
  const int yStart = static_cast<int>(std::max<std::int64_t>(state.top, ceilDiv(minY, 16)));
  const int yEnd = static_cast<int>(std::min<std::int64_t>(state.bottom - 1, floorDivide(maxY, 16)));
  if (yStart > yEnd) return;

  Setup t;
  t.state = &state;
  double x[3], y[3];
  for (int i = 0; i < 3; ++i) {
    x[i] = static_cast<double>(fx[i]) / 16.0;
    y[i] = static_cast<double>(fy[i]) / 16.0;
  }
  const double inverseArea = 256.0 / static_cast<double>(area);
  const RasterVertex& p0 = *vert[0];
  const RasterVertex& p1 = *vert[1];
  const RasterVertex& p2 = *vert[2];
  auto plane = [&](double a0, double a1, double a2) { return makePlane(x, y, inverseArea, a0, a1, a2); };

  const bool perspective = !(p0.rhw == p1.rhw && p1.rhw == p2.rhw);
  const bool textured = state.texture.texels != nullptr && state.colourOp != D3DTOP_DISABLE;
  const bool flat = p0.r == p1.r && p1.r == p2.r && p0.g == p1.g && p1.g == p2.g && p0.b == p1.b &&
                    p1.b == p2.b && p0.a == p1.a && p1.a == p2.a;

  t.z = plane(p0.z * 65535.0, p1.z * 65535.0, p2.z * 65535.0);
  if (perspective) t.rhw = plane(p0.rhw, p1.rhw, p2.rhw);
  if (flat) {
    t.flatColour = packColour(p0.r, p0.g, p0.b, p0.a);
  } else {
    const double w0 = perspective ? p0.rhw : 1.0, w1 = perspective ? p1.rhw : 1.0, w2 = perspective ? p2.rhw : 1.0;
    t.r = plane(p0.r * w0, p1.r * w1, p2.r * w2);
    t.g = plane(p0.g * w0, p1.g * w1, p2.g * w2);
    t.b = plane(p0.b * w0, p1.b * w1, p2.b * w2);
    t.a = plane(p0.a * w0, p1.a * w1, p2.a * w2);
  }
  if (textured) {
    const double su = state.texture.width * 256.0;
    const double sv = state.texture.height * 256.0;
    if (perspective) {
      t.u = plane(p0.u * su * p0.rhw, p1.u * su * p1.rhw, p2.u * su * p2.rhw);
      t.v = plane(p0.v * sv * p0.rhw, p1.v * sv * p1.rhw, p2.v * sv * p2.rhw);
    } else {
      t.u = plane(p0.u * su - 128.0, p1.u * su - 128.0, p2.u * su - 128.0);
      t.v = plane(p0.v * sv - 128.0, p1.v * sv - 128.0, p2.v * sv - 128.0);
    }
    // Magnification or minification, judged once per triangle from the
    // texel area one pixel covers (in 1/256 texel units, squared), when the
    // two filters differ.
    if (state.minLinear == state.magLinear) {
      t.linear = state.minLinear;
    } else {
      t.linear = texelArea(t, x, y, perspective, state.scale) > 65536.0 ? state.minLinear : state.magLinear;
    }
    t.wrapMaskU = isPowerOfTwo(state.texture.width) ? state.texture.width - 1 : -1;
    t.wrapMaskV = isPowerOfTwo(state.texture.height) ? state.texture.height - 1 : -1;
  }
  t.defaultCombine = state.colourOp == D3DTOP_MODULATE && state.colourArg1 == D3DTA_TEXTURE &&
                     (state.colourArg2 == D3DTA_CURRENT || state.colourArg2 == D3DTA_DIFFUSE) &&
                     state.alphaOp == D3DTOP_SELECTARG1 && state.alphaArg1 == D3DTA_TEXTURE;

  t.fastBilinear = textured && t.linear && !state.clampU && !state.clampV && t.wrapMaskU >= 0 && t.wrapMaskV >= 0 &&
                   isPowerOfTwo(state.texture.pitchTexels);
  if (t.fastBilinear) {
    t.rowShift = std::countr_zero(static_cast<unsigned>(state.texture.pitchTexels));  // a power of two
  }
  t.depthLessEqual = state.depthFunc == D3DCMP_LESSEQUAL;
  t.blendMode = blendModeOf(state);
  t.writeMask = writeMask(state.colourWriteMask);
  const SpanFunction span = pickSpan(t, perspective, textured, !flat, state.depthEnable, state.blend);
  // Where offered, rows are drawn two at a time: a triangle's pixels do not
  // overlap, so the order of its rows does not matter.
  const SpanPairFunction pair = pickSpanPair(t, perspective, textured, !flat, state.depthEnable, state.blend);
  if (pair != nullptr) {
    const Plane* planes[8] = {&t.z, &t.rhw, &t.u, &t.v, &t.r, &t.g, &t.b, &t.a};
    for (int i = 0; i < 8; ++i) {
      t.planeTable.c[i] = planes[i]->c;
      t.planeTable.dx[i] = planes[i]->dx;
      t.planeTable.dy[i] = planes[i]->dy;
      t.planeTable.step[i] = static_cast<float>(planes[i]->dx);
    }
  }
  int pendingRow = -1, pendingStart = 0, pendingEnd = 0;

  // Each edge bounds the span from one side: r + a * px >= 0 gives
  // px >= ceil(-r / a) = -floor(r / a) when a > 0, and px <= floor(r / -a)
  // when a < 0; an edge with a = 0 covers the row only when r >= 0 (its
  // walk divides by 1, so it yields r itself). r grows by rowStep per row.
  // Each edge's part in a row's bounds is decided once per triangle, so the
  // row loop below selects instead of branching (the sides change from one
  // small triangle to the next faster than a predictor learns them). The
  // three walks are separate objects so they live in registers.
  struct EdgeBound {
    FloorWalk walk;
    bool left, right, flat;
  };
  auto edgeBound = [&](const Edge& e) {
    return EdgeBound{FloorWalk(e.r0 + e.rowStep * yStart, e.rowStep, e.a > 0 ? e.a : (e.a < 0 ? -e.a : 1)), e.a > 0,
                     e.a < 0, e.a == 0};
  };
  EdgeBound b0 = edgeBound(edges[0]), b1 = edgeBound(edges[1]), b2 = edgeBound(edges[2]);
  constexpr std::int64_t kOpen = std::int64_t{1} << 62;  // beyond every pixel bound
  for (int row = yStart; row <= yEnd; ++row) {
    std::int64_t lo = state.left;
    std::int64_t hi = state.right - 1;
    auto bound = [&](EdgeBound& b) __attribute__((always_inline)) {
      const std::int64_t q = b.walk.value();
      b.walk.advance();
      // A flat edge (a = 0) closes the whole row when q < 0.
      lo = std::max(lo, b.left ? -q : (b.flat && q < 0 ? kOpen : -kOpen));
      hi = std::min(hi, b.right ? q : kOpen);
    };
    bound(b0);
    bound(b1);
    bound(b2);
    if (lo > hi) continue;
    if (pair == nullptr) {
      span(t, row, static_cast<int>(lo), static_cast<int>(hi));
    } else if (pendingRow < 0) {
      pendingRow = row;
      pendingStart = static_cast<int>(lo);
      pendingEnd = static_cast<int>(hi);
    } else {
      pair(t, pendingRow, pendingStart, pendingEnd, row, static_cast<int>(lo), static_cast<int>(hi));
      pendingRow = -1;
    }
  }
  if (pendingRow >= 0) span(t, pendingRow, pendingStart, pendingEnd);
}
