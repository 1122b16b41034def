// Internal to the rasterizer: per-triangle set-up shared by the span
// routines, and the per-pixel operations on packed A8R8G8B8 values.
// Two channels share a 32-bit word in 0x00FF00FF lanes, so one multiply
// serves red and blue, another alpha and green.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/d3d8/rasterizer.h"

#define GLASS_INLINE inline __attribute__((always_inline))

namespace raster {

constexpr float kTexCoordLimit = 1073741824.0f;  // 2^30 in 1/256 texel units

struct Plane {
  double c = 0, dx = 0, dy = 0;  // value at pixel centre (px, py) = c + dx * px + dy * py
};

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
  int rowShift = 0;  // log2 of the texture pitch in texels, for the fast path
  // The planes z, rhw, u, v, r, g, b, a side by side, and their steps along
  // a row as floats: the wide loops that draw two rows at once start them
  // from here. Filled only for those loops' triangles.
  struct PlaneTable {
    alignas(32) double c[8], dx[8], dy[8];
    alignas(32) float step[8];
  } planeTable;
};


// A NaN (from a mesh's NaN normal, say) counts as 0, as in the vector
// loops' max-then-min, and is never converted to an integer.
GLASS_INLINE std::uint32_t clampByte(float value) {
  value = value > 0.0f ? std::min(value, 255.0f) : 0.0f;
  return static_cast<std::uint32_t>(static_cast<int>(value + 0.5f));
}

GLASS_INLINE std::uint32_t packColour(float r, float g, float b, float a) {
  return (clampByte(a) << 24) | (clampByte(r) << 16) | (clampByte(g) << 8) | clampByte(b);
}

// A fixed-point texture coordinate `steps` pixels on. Stepping past a
// span's end may leave the range the span was checked against, so this
// wraps instead of overflowing; such values are never used for a pixel.
GLASS_INLINE std::int32_t steppedFixed(std::int32_t coordinate, int steps, std::int32_t delta) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(coordinate) +
                                   static_cast<std::uint32_t>(steps) * static_cast<std::uint32_t>(delta));
}

GLASS_INLINE int floorToInt(float value) {
  if (value != value) return 0;  // NaN
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
inline std::uint32_t blendGeneric(const PixelState& s, std::uint32_t src, std::uint32_t dst) {
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

inline BlendMode blendModeOf(const PixelState& s) {
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

}  // namespace raster
