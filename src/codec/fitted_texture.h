// Texture creation fitted to the device: before a texture is created, its
// size, mip-level count and format are adapted to what the device reports
// (capabilities, display mode, accepted texture formats). Only plain 2D
// textures. Main thread only, during set-up.
#pragma once

#include <optional>

#include "platform/d3d8/d3d8.h"

// Marks a width, height or level count as not given (the caller lets the
// fitting choose), and a usage that counts as 0.
constexpr UINT kNotGiven = 0xFFFFFFFFu;
constexpr DWORD kDefaultUsage = 0xFFFFFFFFu;

enum class FormatKind { colour, palette, luminance, bump };

// One texture format the fitting may choose. Luminance formats give their
// luminance size in all three colour channels; bump formats give W, V and U
// in red, green and blue.
struct FormatRow {
  D3DFORMAT format;
  FormatKind kind;
  UINT bitsPerPixel;
  UINT bumpLuminanceBits, alphaBits, redBits, greenBits, blueBits;
  bool fallbackAllowed;
};

constexpr int kFormatTableSize = 29;
// The formats in search order.
extern const FormatRow formatTable[kFormatTableSize];

// The table row of a format; a format not in the table gets a 32-bit colour
// row with 8 bits of alpha, red, green and blue and no fallback.
FormatRow formatRowOf(D3DFORMAT format);

// How far a candidate format lies from the requested one: nothing when the
// candidate may not stand in for it (no fallback, or kinds that don't
// mix). Losing a channel costs most, losing bits more than gaining them.
std::optional<DWORD> formatDistance(const FormatRow& requested, const FormatRow& candidate);

// Adjusts width, height, levels and format (each in/out; null or kNotGiven
// means not given) for `device`. Returns D3D_OK with the values written
// back; D3DERR_INVALIDCALL for a missing device, a usage with bits other
// than RENDERTARGET and DEPTHSTENCIL, or a pool other than DEFAULT,
// MANAGED and SYSTEMMEM; D3DERR_NOTAVAILABLE when the device accepts no
// usable format; or the error of a failing device query. Nothing is
// written back on failure.
HRESULT checkTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* levels, DWORD usage,
                                 D3DFORMAT* format, D3DPOOL pool);

// Fits the request with checkTextureRequirements and creates the texture
// into *outTexture. Returns D3D_OK, D3DERR_INVALIDCALL for a missing device
// or outTexture, or the error of the fitting or of CreateTexture.
HRESULT createFittedTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                            D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** outTexture);
