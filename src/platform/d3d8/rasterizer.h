// Triangle rasterizer and pixel pipeline of the software device.
//
// Takes screen-space triangles and writes the covered pixels of an A8R8G8B8
// colour buffer and a D16 depth buffer with Direct3D 8's rules, on the grid
// of buffer pixels (positions times the state's scale):
// - pixel (i, j) is sampled at its integer centre (i, j);
// - positions snap to 1/16 pixel; a centre on an edge belongs to the triangle
//   only on a top edge (horizontal, interior below) or a left edge;
// - culling by screen winding: area > 0 is clockwise (y grows downwards);
// - depth, texture coordinates and colours are interpolated from plane
//   equations; texture coordinates and colours perspective-correct through
//   rhw; depth linear in screen space.
// Everything is deterministic: the same triangles and state give the same
// pixels, bit for bit, and rows outside [top, bottom) are neither read nor
// written, so threads may draw the same triangle into disjoint row ranges.
#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8.h"

// One vertex after transformation: screen position, depth 0..1, 1/w, the
// diffuse colour with channels scaled 0..255, and one set of texture
// coordinates.
struct RasterVertex {
  float x, y, z, rhw;
  float r, g, b, a;
  float u, v;
};

// Level 0 of the bound texture, as the sampler sees it.
struct TextureView {
  const std::uint32_t* texels = nullptr;  // null: no texture (stage 0 passes the diffuse colour on)
  int width = 0;
  int height = 0;
  int pitchTexels = 0;
  std::uint32_t alphaOr = 0;  // 0xFF000000 for X8R8G8B8: alpha always reads 1
};

// Everything the pixel pipeline needs, resolved from the device state once
// per draw.
struct PixelState {
  std::uint32_t* colour = nullptr;
  std::uint16_t* depth = nullptr;
  int pitch = 0;  // pixels per row, both buffers
  // Buffer pixels per unit of the vertices' screen positions, each way: the
  // positions are multiplied by it before they snap to the 1/16 grid.
  int scale = 1;
  // Pixels outside [left, right) x [top, bottom) are never written (viewport).
  int left = 0, top = 0, right = 0, bottom = 0;

  DWORD cullMode = D3DCULL_CCW;
  bool depthEnable = false;
  bool depthWrite = true;
  DWORD depthFunc = D3DCMP_LESSEQUAL;
  int depthBias = 0;  // ZBIAS, in depth steps
  // Pre-transformed vertices carry their own depth: pixels whose depth lies
  // outside 0..1 are dropped. Clipped geometry is clamped instead.
  bool dropOutsideDepthRange = false;

  TextureView texture;
  bool minLinear = false;
  bool magLinear = false;
  bool clampU = false;  // otherwise wrap
  bool clampV = false;

  DWORD colourOp = D3DTOP_MODULATE;
  DWORD colourArg1 = D3DTA_TEXTURE;
  DWORD colourArg2 = D3DTA_CURRENT;
  DWORD alphaOp = D3DTOP_SELECTARG1;
  DWORD alphaArg1 = D3DTA_TEXTURE;
  DWORD alphaArg2 = D3DTA_CURRENT;
  std::uint32_t textureFactor = 0xFFFFFFFF;

  bool alphaTest = false;
  DWORD alphaFunc = D3DCMP_ALWAYS;
  std::uint32_t alphaRef = 0;

  bool blend = false;
  DWORD sourceBlend = D3DBLEND_ONE;
  DWORD destinationBlend = D3DBLEND_ZERO;
  DWORD blendOp = D3DBLENDOP_ADD;
  DWORD colourWriteMask = 0xF;
};

// Draws one triangle. Degenerate, culled, non-finite and absurdly far away
// triangles draw nothing.
void rasterizeTriangle(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                       const PixelState& state);

// Rounded product of two 0..255 values: round(a * b / 255).
inline std::uint32_t mulDiv255(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t x = a * b + 128;
  return (x + (x >> 8)) >> 8;
}
