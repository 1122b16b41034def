#include "codec/fitted_texture.h"

#include <algorithm>
#include <cstdint>

namespace {

using K = FormatKind;

constexpr DWORD kRenderTargetOrDepth = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL;
constexpr UINT kSizeWhenNoneGiven = 256;
// Distance costs per channel.
constexpr DWORD kGainOnMissing = 256;           // a channel the request lacks
constexpr DWORD kLossPerBit = 65536;            // fewer bits than asked
constexpr DWORD kLossOfChannel = 16777216;      // a requested channel missing

bool isPowerOfTwo(UINT v) { return v != 0 && (v & (v - 1)) == 0; }

// Smallest power of two not below v, for v up to 2^31.
UINT roundUpToPowerOfTwo(UINT v) {
  UINT p = 1;
  while (p < v && p < 0x80000000u) p <<= 1;
  return p;
}

UINT log2Floor(UINT v) {
  UINT n = 0;
  while (v > 1) {
    v >>= 1;
    ++n;
  }
  return n;
}

bool isBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

bool kindsMix(FormatKind requested, FormatKind candidate) {
  if (requested == candidate) return true;
  return candidate == K::colour && requested != K::bump;
}

DWORD channelDistance(UINT requested, UINT candidate) {
  if (requested < candidate) return requested == 0 ? kGainOnMissing : candidate - requested;
  if (requested > candidate) return candidate == 0 ? kLossOfChannel : (requested - candidate) * kLossPerBit;
  return 0;
}

UINT given(const UINT* value) { return value == nullptr ? kNotGiven : *value; }

// Releases the Direct3D object on every way out of the fitting.
struct Direct3DReference {
  IDirect3D8* object = nullptr;
  ~Direct3DReference() {
    if (object != nullptr) object->Release();
  }
};

}  // namespace

const FormatRow formatTable[kFormatTableSize] = {
    {D3DFMT_R8G8B8, K::colour, 24, 0, 0, 8, 8, 8, false},
    {D3DFMT_A8R8G8B8, K::colour, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_X8R8G8B8, K::colour, 32, 0, 0, 8, 8, 8, true},
    {D3DFMT_R5G6B5, K::colour, 16, 0, 0, 5, 6, 5, true},
    {D3DFMT_X1R5G5B5, K::colour, 16, 0, 0, 5, 5, 5, true},
    {D3DFMT_A8P8, K::palette, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_P8, K::palette, 8, 0, 8, 8, 8, 8, true},
    {D3DFMT_A1R5G5B5, K::colour, 16, 0, 1, 5, 5, 5, true},
    {D3DFMT_A4R4G4B4, K::colour, 16, 0, 4, 4, 4, 4, true},
    {D3DFMT_R3G3B2, K::colour, 8, 0, 0, 3, 3, 2, true},
    {D3DFMT_A8, K::colour, 8, 0, 8, 0, 0, 0, true},
    {D3DFMT_A8R3G3B2, K::colour, 16, 0, 8, 3, 3, 2, true},
    {D3DFMT_X4R4G4B4, K::colour, 16, 0, 0, 4, 4, 4, true},
    {D3DFMT_L8, K::luminance, 8, 0, 0, 8, 8, 8, true},
    {D3DFMT_A8L8, K::luminance, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_A4L4, K::luminance, 8, 0, 4, 4, 4, 4, true},
    {D3DFMT_V8U8, K::bump, 16, 0, 0, 0, 8, 8, true},
    {D3DFMT_L6V5U5, K::bump, 16, 6, 0, 0, 5, 5, true},
    {D3DFMT_X8L8V8U8, K::bump, 32, 8, 0, 0, 8, 8, true},
    {D3DFMT_Q8W8V8U8, K::bump, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_V16U16, K::bump, 32, 0, 0, 0, 16, 16, true},
    {D3DFMT_W11V11U10, K::bump, 32, 0, 0, 11, 11, 10, true},
    {D3DFMT_UYVY, K::colour, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_YUY2, K::colour, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_DXT1, K::colour, 16, 0, 1, 5, 6, 5, false},
    {D3DFMT_DXT2, K::colour, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT3, K::colour, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT4, K::colour, 16, 0, 3, 5, 6, 5, false},
    {D3DFMT_DXT5, K::colour, 16, 0, 3, 5, 6, 5, false},
};

FormatRow formatRowOf(D3DFORMAT format) {
  for (const FormatRow& row : formatTable) {
    if (row.format == format) return row;
  }
  return FormatRow{format, K::colour, 32, 0, 8, 8, 8, 8, false};
}

std::optional<DWORD> formatDistance(const FormatRow& requested, const FormatRow& candidate) {
  if (!candidate.fallbackAllowed || !kindsMix(requested.kind, candidate.kind)) return std::nullopt;
  return channelDistance(requested.bumpLuminanceBits, candidate.bumpLuminanceBits) +
         channelDistance(requested.alphaBits, candidate.alphaBits) +
         channelDistance(requested.redBits, candidate.redBits) +
         channelDistance(requested.greenBits, candidate.greenBits) +
         channelDistance(requested.blueBits, candidate.blueBits);
}

HRESULT checkTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* levels, DWORD usage,
                                 D3DFORMAT* format, D3DPOOL pool) {
  if (device == nullptr) return D3DERR_INVALIDCALL;
  if (usage == kDefaultUsage) usage = 0;
  if ((usage & ~kRenderTargetOrDepth) != 0) return D3DERR_INVALIDCALL;
  if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;

  Direct3DReference direct3D;
  HRESULT result = device->GetDirect3D(&direct3D.object);
  if (FAILED(result)) return result;
  if (direct3D.object == nullptr) return D3DERR_INVALIDCALL;
  D3DCAPS8 caps{};
  result = device->GetDeviceCaps(&caps);
  if (FAILED(result)) return result;
  D3DDISPLAYMODE mode{};
  result = device->GetDisplayMode(&mode);
  if (FAILED(result)) return result;

  // Size.
  UINT w = given(width);
  UINT h = given(height);
  if (w == kNotGiven && h == kNotGiven) {
    w = h = kSizeWhenNoneGiven;
  } else if (w == kNotGiven) {
    w = h;
  } else if (h == kNotGiven) {
    h = w;
  }
  w = std::max(w, 1u);
  h = std::max(h, 1u);
  w = std::min<UINT>(w, caps.MaxTextureWidth);
  h = std::min<UINT>(h, caps.MaxTextureHeight);

  // Aspect ratio; the products are formed wide so a large limit cannot wrap.
  const DWORD aspect = (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0 ? 1 : caps.MaxTextureAspectRatio;
  if (aspect != 0) {
    w = static_cast<UINT>(std::min<std::uint64_t>(w, std::uint64_t{aspect} * h));
    h = static_cast<UINT>(std::min<std::uint64_t>(h, std::uint64_t{aspect} * w));
  }
  if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0) {
    w = roundUpToPowerOfTwo(w);
    h = roundUpToPowerOfTwo(h);
  }
  const D3DFORMAT requestedFormat = format == nullptr ? D3DFMT_UNKNOWN : *format;
  if (isBlockCompressed(requestedFormat)) {
    w = std::min<UINT>(w, 0xFFFFFFFCu);
    h = std::min<UINT>(h, 0xFFFFFFFCu);
    w = (w + 3) & ~3u;
    h = (h + 3) & ~3u;
  }

  // Mip levels.
  UINT l = given(levels);
  if ((caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0 && isPowerOfTwo(w) && isPowerOfTwo(h)) {
    const UINT fullChain = 1 + log2Floor(std::max(w, h));
    if (l == kNotGiven || l == 0 || l > fullChain) l = fullChain;
  } else {
    l = 1;
  }

  // Format: the requested one if the device takes it, otherwise the nearest
  // that may stand in for it, fewer bits per pixel breaking ties.
  const FormatRow requested = formatRowOf(requestedFormat);
  const FormatRow* chosen = nullptr;
  DWORD bestDistance = 0;
  for (const FormatRow& row : formatTable) {
    if (FAILED(direct3D.object->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                                  D3DRTYPE_TEXTURE, row.format))) {
      continue;
    }
    if (row.format == requestedFormat) {
      chosen = &row;
      break;
    }
    const std::optional<DWORD> distance = formatDistance(requested, row);
    if (!distance) continue;
    if (chosen == nullptr || *distance < bestDistance ||
        (*distance == bestDistance && row.bitsPerPixel < chosen->bitsPerPixel)) {
      chosen = &row;
      bestDistance = *distance;
    }
  }
  if (chosen == nullptr) return D3DERR_NOTAVAILABLE;

  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  if (levels != nullptr) *levels = l;
  if (format != nullptr) *format = chosen->format;
  return D3D_OK;
}

HRESULT createFittedTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                            D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** outTexture) {
  if (device == nullptr || outTexture == nullptr) return D3DERR_INVALIDCALL;
  if (usage == kDefaultUsage) usage = 0;
  const HRESULT fitted = checkTextureRequirements(device, &width, &height, &levels, usage, &format, pool);
  if (FAILED(fitted)) return fitted;
  const HRESULT created = device->CreateTexture(width, height, levels, usage, format, pool, outTexture);
  return FAILED(created) ? created : D3D_OK;
}
