// The screen quad: a pre-transformed quad covering the whole 640 x 480
// screen, drawn over the scene in a grey level with matching alpha, or in
// opaque white shifted vertically. It sets no texture and no render state
// of its own: callers set culling, depth, blending and texture first.
// Main thread only, with the device of render/device.h.
#pragma once

#include "platform/d3d8/d3d8.h"

// The 28-byte screen vertex of FVF 0x144 (XYZRHW | DIFFUSE | TEX1).
struct ScreenVertex {
  float x, y, z, rhw;
  DWORD diffuse;
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 28, "screen vertices are 28 bytes");

constexpr DWORD kScreenVertexFvf = 0x144;
constexpr UINT kScreenQuadBytes = 4 * sizeof(ScreenVertex);

// The quad as a triangle strip: corners (0,0), (640,0), (0,480), (640,480)
// at a depth just in front of the far end of the depth range, white with
// alpha 0, texture coordinates 0 to 0.99.
extern const ScreenVertex kScreenQuadTemplate[4];

// The quad's vertex buffer; null until createScreenQuad succeeds.
extern IDirect3DVertexBuffer8* screenQuadBuffer;

// Creates the 112-byte vertex buffer and fills it with the template.
// Returns the result of the failing call, or D3D_OK.
HRESULT createScreenQuad();
// Draws the quad in place with colour (level & 0xFF) · 0x01010101, the
// same byte in alpha, red, green and blue.
void drawScreenQuadLevel(UINT level);
// Draws the quad in opaque white, moved down by dy pixels (up if negative).
void drawScreenQuadShifted(float dy);
// Releases the vertex buffer (for an orderly end and for tests).
void releaseScreenQuad();
