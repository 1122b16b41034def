#include "platform/d3d8/rasterizer.h"

#include <algorithm>
#include <cmath>

// Structure: a triangle is snapped to 28.4 fixed point, its three edge
// functions are kept as exact 64-bit integers, and each row's covered span
// is solved from them directly (exact, so shared edges are drawn once).
// Attributes use float plane equations set up in double once per triangle
// and stepped per pixel along the span.

namespace {

constexpr double kMaxCoordinate = 32768.0;  // pixels; farther triangles are dropped
constexpr float kTexCoordLimit = 1073741824.0f;  // 2^30 in 1/256 texel units

struct Plane {
  double c = 0, dx = 0, dy = 0;  // value at pixel centre (px, py) = c + dx * px + dy * py
};

struct Edge {
  std::int64_t a;        // change per pixel step in x
  std::int64_t r0;       // value at px = 0, py = 0 (with the fill-rule bias)
  std::int64_t rowStep;  // change per row
};

// Smallest q with q * d >= n (d > 0).
std::int64_t ceilDiv(std::int64_t n, std::int64_t d) {
  std::int64_t q = static_cast<std::int64_t>(static_cast<double>(n) / static_cast<double>(d));
  while (q * d < n) ++q;
  while ((q - 1) * d >= n) --q;
  return q;
}

// Largest q with q * d <= n (d > 0).
std::int64_t floorDiv(std::int64_t n, std::int64_t d) {
  std::int64_t q = static_cast<std::int64_t>(static_cast<double>(n) / static_cast<double>(d));
  while (q * d > n) --q;
  while ((q + 1) * d <= n) ++q;
  return q;
}

enum class BlendMode { kAdd, kReverseSubtract, kSubtract, kAlpha, kGeneric };

struct Setup {
  const PixelState* state = nullptr;
  Plane z, rhw, u, v, r, g, b, a;
  std::uint32_t flatColour = 0;
  bool linear = false;
  bool fastBilinear = false;  // linear, wrapping, power-of-two texture
  bool defaultCombine = false;
  bool depthLessEqual = true;
  BlendMode blendMode = BlendMode::kGeneric;
  std::uint32_t writeMask = 0xFFFFFFFFu;
  int wrapMaskU = -1;  // width - 1 for power-of-two widths, else -1
  int wrapMaskV = -1;
};

#define GLASS_INLINE inline __attribute__((always_inline))

GLASS_INLINE std::uint32_t clampByte(float value) {
  return static_cast<std::uint32_t>(static_cast<int>(std::clamp(value, 0.0f, 255.0f) + 0.5f));
}

GLASS_INLINE std::uint32_t packColour(float r, float g, float b, float a) {
  return (clampByte(a) << 24) | (clampByte(r) << 16) | (clampByte(g) << 8) | clampByte(b);
}

GLASS_INLINE int floorToInt(float value) {
  value = std::clamp(value, -kTexCoordLimit, kTexCoordLimit);
  int i = static_cast<int>(value);
  return i - (value < static_cast<float>(i) ? 1 : 0);
}

GLASS_INLINE int addressTexel(int i, int size, int mask, bool clampMode) {
  if (clampMode) return std::clamp(i, 0, size - 1);
  if (mask >= 0) return i & mask;
  i %= size;
  return i < 0 ? i + size : i;
}

// Per-channel packed helpers: two channels per 32-bit word (0x00FF00FF
// lanes), so one multiply serves red and blue, another alpha and green.
GLASS_INLINE std::uint32_t lerpPacked(std::uint32_t p, std::uint32_t q, std::uint32_t f) {
  const std::uint32_t g = 256 - f;
  const std::uint32_t rb = (((p & 0x00FF00FFu) * g + (q & 0x00FF00FFu) * f + 0x00800080u) >> 8) & 0x00FF00FFu;
  const std::uint32_t ag = (((p >> 8) & 0x00FF00FFu) * g + ((q >> 8) & 0x00FF00FFu) * f + 0x00800080u) & 0xFF00FF00u;
  return rb | ag;
}

GLASS_INLINE std::uint32_t addPackedSaturated(std::uint32_t p, std::uint32_t q) {
  std::uint32_t rb = (p & 0x00FF00FFu) + (q & 0x00FF00FFu);
  std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) + ((q >> 8) & 0x00FF00FFu);
  rb = (rb | (((rb >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
  ag = (ag | (((ag >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
  return rb | (ag << 8);
}

GLASS_INLINE std::uint32_t subtractPackedSaturated(std::uint32_t p, std::uint32_t q) {  // max(p - q, 0)
  std::uint32_t rb = ((p & 0x00FF00FFu) | 0x01000100u) - (q & 0x00FF00FFu);
  std::uint32_t ag = (((p >> 8) & 0x00FF00FFu) | 0x01000100u) - ((q >> 8) & 0x00FF00FFu);
  rb &= ((rb >> 8) & 0x00010001u) * 0xFFu;
  ag &= ((ag >> 8) & 0x00010001u) * 0xFFu;
  return rb | (ag << 8);
}

// round((p * a + q * (255 - a)) / 255) per channel.
GLASS_INLINE std::uint32_t mixPacked(std::uint32_t p, std::uint32_t q, std::uint32_t a) {
  const std::uint32_t ia = 255 - a;
  std::uint32_t rb = (p & 0x00FF00FFu) * a + (q & 0x00FF00FFu) * ia + 0x00800080u;
  std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) * a + ((q >> 8) & 0x00FF00FFu) * ia + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

GLASS_INLINE std::uint32_t modulateRgb(std::uint32_t p, std::uint32_t q) {
  return (mulDiv255((p >> 16) & 255, (q >> 16) & 255) << 16) | (mulDiv255((p >> 8) & 255, (q >> 8) & 255) << 8) |
         mulDiv255(p & 255, q & 255);
}

GLASS_INLINE std::uint32_t modulatePacked(std::uint32_t p, std::uint32_t q) {
  return modulateRgb(p, q) | (mulDiv255(p >> 24, q >> 24) << 24);
}

// tu, tv: texel coordinates in 1/256 texel, already shifted by half a texel
// so that 0 is the centre of texel 0.
GLASS_INLINE std::uint32_t sampleTexture(const Setup& t, int tu, int tv) {
  const PixelState& s = *t.state;
  const TextureView& tex = s.texture;
  if (t.fastBilinear) {  // bilinear, wrapping, power-of-two sizes: the common case
    const int x0 = (tu >> 8) & t.wrapMaskU, x1 = ((tu >> 8) + 1) & t.wrapMaskU;
    const std::uint32_t* row0 = tex.texels + ((tv >> 8) & t.wrapMaskV) * tex.pitchTexels;
    const std::uint32_t* row1 = tex.texels + (((tv >> 8) + 1) & t.wrapMaskV) * tex.pitchTexels;
    const std::uint32_t fx = static_cast<std::uint32_t>(tu & 255);
    const std::uint32_t top = lerpPacked(row0[x0], row0[x1], fx);
    const std::uint32_t bottom = lerpPacked(row1[x0], row1[x1], fx);
    return lerpPacked(top, bottom, static_cast<std::uint32_t>(tv & 255)) | tex.alphaOr;
  }
  if (!t.linear) {
    const int x = addressTexel((tu + 128) >> 8, tex.width, t.wrapMaskU, s.clampU);
    const int y = addressTexel((tv + 128) >> 8, tex.height, t.wrapMaskV, s.clampV);
    return tex.texels[y * tex.pitchTexels + x] | tex.alphaOr;
  }
  const int x0 = addressTexel(tu >> 8, tex.width, t.wrapMaskU, s.clampU);
  const int x1 = addressTexel((tu >> 8) + 1, tex.width, t.wrapMaskU, s.clampU);
  const int y0 = addressTexel(tv >> 8, tex.height, t.wrapMaskV, s.clampV);
  const int y1 = addressTexel((tv >> 8) + 1, tex.height, t.wrapMaskV, s.clampV);
  const std::uint32_t fx = static_cast<std::uint32_t>(tu & 255);
  const std::uint32_t fy = static_cast<std::uint32_t>(tv & 255);
  const std::uint32_t* row0 = tex.texels + y0 * tex.pitchTexels;
  const std::uint32_t* row1 = tex.texels + y1 * tex.pitchTexels;
  const std::uint32_t top = lerpPacked(row0[x0], row0[x1], fx);
  const std::uint32_t bottom = lerpPacked(row1[x0], row1[x1], fx);
  return lerpPacked(top, bottom, fy) | tex.alphaOr;
}

inline std::uint32_t stageArgument(DWORD arg, std::uint32_t texel, std::uint32_t diffuse, std::uint32_t factor) {
  std::uint32_t value;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE: value = texel; break;
    case D3DTA_TFACTOR: value = factor; break;
    default: value = diffuse; break;  // DIFFUSE, and CURRENT on stage 0
  }
  if (arg & D3DTA_ALPHAREPLICATE) value = (value >> 24) * 0x01010101u;
  if (arg & D3DTA_COMPLEMENT) value = ~value;
  return value;
}

inline std::uint32_t stageOperation(DWORD op, std::uint32_t arg1, std::uint32_t arg2, std::uint32_t current) {
  switch (op) {
    case D3DTOP_SELECTARG1: return arg1;
    case D3DTOP_SELECTARG2: return arg2;
    case D3DTOP_MODULATE: return modulatePacked(arg1, arg2);
    case D3DTOP_MODULATE2X: {
      const std::uint32_t m = modulatePacked(arg1, arg2);
      return addPackedSaturated(m, m);
    }
    case D3DTOP_ADD: return addPackedSaturated(arg1, arg2);
    case D3DTOP_SUBTRACT: return subtractPackedSaturated(arg1, arg2);
    default: return current;
  }
}

// Texture stage 0; stage 1 and later are disabled in this device.
inline std::uint32_t combineGeneric(const PixelState& s, std::uint32_t texel, std::uint32_t diffuse) {
  if (s.colourOp == D3DTOP_DISABLE) return diffuse;
  const std::uint32_t f = s.textureFactor;
  const std::uint32_t colour = stageOperation(s.colourOp, stageArgument(s.colourArg1, texel, diffuse, f),
                                              stageArgument(s.colourArg2, texel, diffuse, f), diffuse);
  const std::uint32_t alpha = stageOperation(s.alphaOp, stageArgument(s.alphaArg1, texel, diffuse, f),
                                             stageArgument(s.alphaArg2, texel, diffuse, f), diffuse);
  return (colour & 0x00FFFFFFu) | (alpha & 0xFF000000u);
}

GLASS_INLINE std::uint32_t combineStage(const Setup& t, std::uint32_t texel, std::uint32_t diffuse) {
  if (t.defaultCombine) {
    // MODULATE(texture, diffuse) for colour, the texture's alpha.
    if (diffuse == 0xFFFFFFFFu) return texel;
    return modulateRgb(texel, diffuse) | (texel & 0xFF000000u);
  }
  return combineGeneric(*t.state, texel, diffuse);
}

inline bool compare(DWORD func, std::uint32_t value, std::uint32_t reference) {
  switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < reference;
    case D3DCMP_EQUAL: return value == reference;
    case D3DCMP_LESSEQUAL: return value <= reference;
    case D3DCMP_GREATER: return value > reference;
    case D3DCMP_NOTEQUAL: return value != reference;
    case D3DCMP_GREATEREQUAL: return value >= reference;
    default: return true;
  }
}

inline std::uint32_t blendFactor(DWORD factor, int shift, std::uint32_t src, std::uint32_t dst) {
  const std::uint32_t sa = src >> 24;
  const std::uint32_t da = dst >> 24;
  switch (factor) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 255;
    case D3DBLEND_SRCCOLOR: return (src >> shift) & 255;
    case D3DBLEND_INVSRCCOLOR: return 255 - ((src >> shift) & 255);
    case D3DBLEND_SRCALPHA: return sa;
    case D3DBLEND_INVSRCALPHA: return 255 - sa;
    case D3DBLEND_DESTALPHA: return da;
    case D3DBLEND_INVDESTALPHA: return 255 - da;
    case D3DBLEND_DESTCOLOR: return (dst >> shift) & 255;
    case D3DBLEND_INVDESTCOLOR: return 255 - ((dst >> shift) & 255);
    case D3DBLEND_SRCALPHASAT: return shift == 24 ? 255 : std::min(sa, 255 - da);
    default: return 255;
  }
}

// out = clamp(op(src * Fs, dst * Fd)) per channel, alpha included.
std::uint32_t blendGeneric(const PixelState& s, std::uint32_t src, std::uint32_t dst) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t sc = (src >> shift) & 255;
    const std::uint32_t dc = (dst >> shift) & 255;
    const std::int32_t x = static_cast<std::int32_t>(sc * blendFactor(s.sourceBlend, shift, src, dst));
    const std::int32_t y = static_cast<std::int32_t>(dc * blendFactor(s.destinationBlend, shift, src, dst));
    std::int32_t value;
    switch (s.blendOp) {
      case D3DBLENDOP_SUBTRACT: value = (std::max(0, x - y) + 127) / 255; break;
      case D3DBLENDOP_REVSUBTRACT: value = (std::max(0, y - x) + 127) / 255; break;
      case D3DBLENDOP_MIN: value = static_cast<std::int32_t>(std::min(sc, dc)); break;
      case D3DBLENDOP_MAX: value = static_cast<std::int32_t>(std::max(sc, dc)); break;
      default: value = std::min(255, (x + y + 127) / 255); break;
    }
    out |= static_cast<std::uint32_t>(value) << shift;
  }
  return out;
}

BlendMode blendModeOf(const PixelState& s) {
  if (s.sourceBlend == D3DBLEND_ONE && s.destinationBlend == D3DBLEND_ONE) {
    if (s.blendOp == D3DBLENDOP_ADD) return BlendMode::kAdd;
    if (s.blendOp == D3DBLENDOP_REVSUBTRACT) return BlendMode::kReverseSubtract;
    if (s.blendOp == D3DBLENDOP_SUBTRACT) return BlendMode::kSubtract;
  }
  if (s.sourceBlend == D3DBLEND_SRCALPHA && s.destinationBlend == D3DBLEND_INVSRCALPHA &&
      s.blendOp == D3DBLENDOP_ADD) {
    return BlendMode::kAlpha;
  }
  return BlendMode::kGeneric;
}

GLASS_INLINE std::uint32_t blendPixel(const Setup& t, std::uint32_t src, std::uint32_t dst) {
  switch (t.blendMode) {
    case BlendMode::kAdd: return addPackedSaturated(src, dst);
    case BlendMode::kReverseSubtract: return subtractPackedSaturated(dst, src);
    case BlendMode::kSubtract: return subtractPackedSaturated(src, dst);
    case BlendMode::kAlpha: return mixPacked(src, dst, src >> 24);
    default: return blendGeneric(*t.state, src, dst);
  }
}

inline std::uint32_t writeMask(DWORD colourWriteMask) {
  std::uint32_t mask = 0;
  if (colourWriteMask & 1) mask |= 0x00FF0000u;  // red
  if (colourWriteMask & 2) mask |= 0x0000FF00u;  // green
  if (colourWriteMask & 4) mask |= 0x000000FFu;  // blue
  if (colourWriteMask & 8) mask |= 0xFF000000u;  // alpha
  return mask;
}

constexpr double kFixedLimit = 1073741824.0;  // 2^30, in 1/65536 texel

template <bool kPerspective, bool kTextured, bool kGouraud, bool kDepth, bool kBlend>
void drawSpan(const Setup& t, int y, int xStart, int xEnd) {
  const PixelState& s = *t.state;
  const double px = xStart;
  const double py = y;
  auto at = [&](const Plane& p) { return static_cast<float>(p.c + p.dx * px + p.dy * py); };
  auto step = [](const Plane& p) { return static_cast<float>(p.dx); };

  float z = at(t.z), dz = step(t.z);
  float w = at(t.rhw), dw = step(t.rhw);
  float u = at(t.u), du = step(t.u);
  float v = at(t.v), dv = step(t.v);
  float r = at(t.r), dr = step(t.r);
  float g = at(t.g), dg = step(t.g);
  float b = at(t.b), db = step(t.b);
  float a = at(t.a), da = step(t.a);

  // Affine texture coordinates step in fixed point (1/65536 texel) when the
  // whole span fits; otherwise per pixel in float.
  bool fixedCoordinates = false;
  std::int32_t fu = 0, fv = 0, fdu = 0, fdv = 0;
  if constexpr (kTextured && !kPerspective) {
    const double u0 = (t.u.c + t.u.dx * px + t.u.dy * py) * 256.0, v0 = (t.v.c + t.v.dx * px + t.v.dy * py) * 256.0;
    const double span = xEnd - xStart;
    const double u1 = u0 + t.u.dx * 256.0 * span, v1 = v0 + t.v.dx * 256.0 * span;
    if (std::fabs(u0) < kFixedLimit && std::fabs(u1) < kFixedLimit && std::fabs(v0) < kFixedLimit &&
        std::fabs(v1) < kFixedLimit) {
      fixedCoordinates = true;
      fu = static_cast<std::int32_t>(std::floor(u0));
      fv = static_cast<std::int32_t>(std::floor(v0));
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
    if (!inside(z) && !inside(z1) && ((z < 0) == (z1 < 0))) return;
    checkRange = !(inside(z) && inside(z1));
  }

  std::uint32_t* colourRow = s.colour + static_cast<std::ptrdiff_t>(y) * s.pitch;
  std::uint16_t* depthRow = s.depth + static_cast<std::ptrdiff_t>(y) * s.pitch;
  const std::uint32_t mask = t.writeMask;
  const bool depthWrite = kDepth && s.depthWrite;

  for (int x = xStart; x <= xEnd; ++x) {
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
      const float oneOverRhw = kPerspective ? 1.0f / w : 1.0f;
      std::uint32_t diffuse = t.flatColour;
      if constexpr (kGouraud) {
        if constexpr (kPerspective) {
          diffuse = packColour(r * oneOverRhw, g * oneOverRhw, b * oneOverRhw, a * oneOverRhw);
        } else {
          diffuse = packColour(r, g, b, a);
        }
      }
      std::uint32_t texel = 0xFFFFFFFFu;
      if constexpr (kTextured) {
        if constexpr (kPerspective) {
          texel = sampleTexture(t, floorToInt(u * oneOverRhw - 128.0f), floorToInt(v * oneOverRhw - 128.0f));
        } else {
          texel = fixedCoordinates ? sampleTexture(t, fu >> 8, fv >> 8) : sampleTexture(t, floorToInt(u), floorToInt(v));
        }
      }
      std::uint32_t out = combineStage(t, texel, diffuse);
      if (!s.alphaTest || compare(s.alphaFunc, out >> 24, s.alphaRef)) {
        if constexpr (kBlend) out = blendPixel(t, out, colourRow[x]);
        colourRow[x] = mask == 0xFFFFFFFFu ? out : (out & mask) | (colourRow[x] & ~mask);
        if (depthWrite) depthRow[x] = static_cast<std::uint16_t>(depthValue);
      }
    }
    z += dz;
    if constexpr (kPerspective) w += dw;
    if constexpr (kTextured) {
      if constexpr (kPerspective) {
        u += du;
        v += dv;
      } else if (fixedCoordinates) {
        fu += fdu;
        fv += fdv;
      } else {
        u += du;
        v += dv;
      }
    }
    if constexpr (kGouraud) {
      r += dr;
      g += dg;
      b += db;
      a += da;
    }
  }
}

using SpanFunction = void (*)(const Setup&, int, int, int);

template <bool kPerspective, bool kTextured, bool kGouraud>
SpanFunction pickSpan(bool depth, bool blend) {
  if (depth) {
    return blend ? &drawSpan<kPerspective, kTextured, kGouraud, true, true>
                 : &drawSpan<kPerspective, kTextured, kGouraud, true, false>;
  }
  return blend ? &drawSpan<kPerspective, kTextured, kGouraud, false, true>
               : &drawSpan<kPerspective, kTextured, kGouraud, false, false>;
}

SpanFunction pickSpan(bool perspective, bool textured, bool gouraud, bool depth, bool blend) {
  if (perspective) {
    if (textured) return gouraud ? pickSpan<true, true, true>(depth, blend) : pickSpan<true, true, false>(depth, blend);
    return gouraud ? pickSpan<true, false, true>(depth, blend) : pickSpan<true, false, false>(depth, blend);
  }
  if (textured) return gouraud ? pickSpan<false, true, true>(depth, blend) : pickSpan<false, true, false>(depth, blend);
  return gouraud ? pickSpan<false, false, true>(depth, blend) : pickSpan<false, false, false>(depth, blend);
}

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

bool isPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

}  // namespace

void rasterizeTriangle(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                       const PixelState& state) {
  if (!finiteVertex(v0) || !finiteVertex(v1) || !finiteVertex(v2)) return;
  if (state.left >= state.right || state.top >= state.bottom) return;

  const RasterVertex* vert[3] = {&v0, &v1, &v2};
  std::int64_t fx[3], fy[3];
  for (int i = 0; i < 3; ++i) {
    fx[i] = std::llrint(static_cast<double>(vert[i]->x) * 16.0);
    fy[i] = std::llrint(static_cast<double>(vert[i]->y) * 16.0);
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
  const int yEnd = static_cast<int>(std::min<std::int64_t>(state.bottom - 1, floorDiv(maxY, 16)));
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
    // texel area one pixel covers (in 1/256 texel units, squared).
    double texelArea;
    if (perspective) {
      const double cx = (x[0] + x[1] + x[2]) / 3.0, cy = (y[0] + y[1] + y[2]) / 3.0;
      const double wc = t.rhw.c + t.rhw.dx * cx + t.rhw.dy * cy;
      const double uc = t.u.c + t.u.dx * cx + t.u.dy * cy, vc = t.v.c + t.v.dx * cx + t.v.dy * cy;
      const double dudx = (t.u.dx - uc / wc * t.rhw.dx) / wc, dudy = (t.u.dy - uc / wc * t.rhw.dy) / wc;
      const double dvdx = (t.v.dx - vc / wc * t.rhw.dx) / wc, dvdy = (t.v.dy - vc / wc * t.rhw.dy) / wc;
      texelArea = std::fabs(dudx * dvdy - dudy * dvdx);
    } else {
      texelArea = std::fabs(t.u.dx * t.v.dy - t.u.dy * t.v.dx);
    }
    t.linear = texelArea > 65536.0 ? state.minLinear : state.magLinear;
    t.wrapMaskU = isPowerOfTwo(state.texture.width) ? state.texture.width - 1 : -1;
    t.wrapMaskV = isPowerOfTwo(state.texture.height) ? state.texture.height - 1 : -1;
  }
  t.defaultCombine = state.colourOp == D3DTOP_MODULATE && state.colourArg1 == D3DTA_TEXTURE &&
                     (state.colourArg2 == D3DTA_CURRENT || state.colourArg2 == D3DTA_DIFFUSE) &&
                     state.alphaOp == D3DTOP_SELECTARG1 && state.alphaArg1 == D3DTA_TEXTURE;

  t.fastBilinear = textured && t.linear && !state.clampU && !state.clampV && t.wrapMaskU >= 0 && t.wrapMaskV >= 0;
  t.depthLessEqual = state.depthFunc == D3DCMP_LESSEQUAL;
  t.blendMode = blendModeOf(state);
  t.writeMask = writeMask(state.colourWriteMask);
  const SpanFunction span = pickSpan(perspective, textured, !flat, state.depthEnable, state.blend);

  for (int row = yStart; row <= yEnd; ++row) {
    std::int64_t lo = state.left;
    std::int64_t hi = state.right - 1;
    bool empty = false;
    for (const Edge& e : edges) {
      const std::int64_t r = e.r0 + e.rowStep * row;
      if (e.a > 0) {
        lo = std::max(lo, ceilDiv(-r, e.a));
      } else if (e.a < 0) {
        hi = std::min(hi, floorDiv(r, -e.a));
      } else if (r < 0) {
        empty = true;
      }
    }
    if (empty || lo > hi) continue;
    span(t, row, static_cast<int>(lo), static_cast<int>(hi));
  }
}
