#include "support/recording_device.h"

#include <cstring>
#include <sstream>

namespace {

template <typename... Parts>
std::string line(const Parts&... parts) {
  std::ostringstream out;
  ((out << parts << ' '), ...);
  std::string text = out.str();
  text.pop_back();
  return text;
}

UINT bytesPerTexel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_X8L8V8U8: case D3DFMT_Q8W8V8U8: case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R3G3B2: case D3DFMT_A8: case D3DFMT_P8: case D3DFMT_L8: case D3DFMT_A4L4:
      return 1;
    default:
      return 2;
  }
}

}  // namespace

RecordingTexture::RecordingTexture(RecordingDevice* owner, UINT width, UINT height, UINT levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool, UINT pitch)
    : owner(owner), width(width), height(height), levels(levels), usage(usage), format(format), pool(pool),
      pitch(pitch), bits(static_cast<size_t>(pitch) * height, 0xCD) {}

HRESULT RecordingTexture::ownerOf(IDirect3DDevice8** ppDevice) {
  *ppDevice = owner;
  owner->AddRef();
  return D3D_OK;
}

HRESULT RecordingTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (Level != 0 || pDesc == nullptr) return D3DERR_INVALIDCALL;
  *pDesc = D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, usage, pool, static_cast<UINT>(bits.size()),
                           D3DMULTISAMPLE_NONE, width, height};
  return D3D_OK;
}

HRESULT RecordingTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
  owner->calls.push_back(line("LockRect", Level, pRect == nullptr ? "whole" : "part", Flags));
  if (Level != 0 || pLockedRect == nullptr || locked || pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  locked = true;
  pLockedRect->Pitch = static_cast<INT>(pitch);
  pLockedRect->pBits = bits.data();
  return D3D_OK;
}

HRESULT RecordingTexture::UnlockRect(UINT Level) {
  owner->calls.push_back(line("UnlockRect", Level));
  if (!locked) return D3DERR_INVALIDCALL;
  locked = false;
  return D3D_OK;
}

DWORD RecordingTexture::texel(UINT x, UINT y) const {
  if (x >= width || y >= height || bytesPerTexel(format) != 4) return 0xDEADBEEF;
  DWORD value;
  std::memcpy(&value, bits.data() + static_cast<size_t>(y) * pitch + 4 * x, sizeof value);
  return value;
}

RecordingVertexBuffer::RecordingVertexBuffer(RecordingDevice* owner, UINT length, DWORD usage, DWORD fvf,
                                             D3DPOOL pool)
    : owner(owner), usage(usage), fvf(fvf), pool(pool), data(length, 0) {}

HRESULT RecordingVertexBuffer::ownerOf(IDirect3DDevice8** ppDevice) {
  *ppDevice = owner;
  owner->AddRef();
  return D3D_OK;
}

HRESULT RecordingVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
  owner->calls.push_back(line("Lock", OffsetToLock, SizeToLock, Flags));
  if (failLock || locked || ppbData == nullptr) return D3DERR_INVALIDCALL;
  locked = true;
  *ppbData = data.data();
  return D3D_OK;
}

HRESULT RecordingVertexBuffer::Unlock() {
  owner->calls.push_back("Unlock");
  if (!locked) return D3DERR_INVALIDCALL;
  locked = false;
  return D3D_OK;
}

HRESULT RecordingVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  *pDesc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool,
                                static_cast<UINT>(data.size()), fvf};
  return D3D_OK;
}

HRESULT RecordingDirect3D::GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* pMode) {
  return owner->GetDisplayMode(pMode);
}

HRESULT RecordingDirect3D::CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD Usage, D3DRESOURCETYPE,
                                             D3DFORMAT CheckFormat) {
  owner->checkedFormats.push_back(CheckFormat);
  owner->checkedUsages.push_back(Usage);
  return owner->acceptedFormats.contains(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D::GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8* pCaps) { return owner->GetDeviceCaps(pCaps); }

RecordingDevice::RecordingDevice() {
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.AdapterOrdinal = 0;
  caps.MaxTextureWidth = 4096;
  caps.MaxTextureHeight = 4096;
  direct3D.references = 0;
}

HRESULT RecordingDevice::GetDirect3D(IDirect3D8** ppD3D8) {
  if (ppD3D8 == nullptr) return D3DERR_INVALIDCALL;
  direct3D.AddRef();
  *ppD3D8 = &direct3D;
  return D3D_OK;
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
  if (pCaps == nullptr) return D3DERR_INVALIDCALL;
  *pCaps = caps;
  return D3D_OK;
}

HRESULT RecordingDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
  if (pMode == nullptr) return D3DERR_INVALIDCALL;
  *pMode = D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT RecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                       D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
  calls.push_back(line("CreateTexture", Width, Height, Levels, Usage, Format, Pool));
  const int number = textureCreations++;
  if (number == failTextureNumber || ppTexture == nullptr || Width == 0 || Height == 0) {
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  const UINT pitch = Width * bytesPerTexel(Format) + extraPitch;
  textures.push_back(std::make_unique<RecordingTexture>(this, Width, Height, Levels, Usage, Format, Pool, pitch));
  *ppTexture = textures.back().get();
  return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                            IDirect3DVertexBuffer8** ppVertexBuffer) {
  calls.push_back(line("CreateVertexBuffer", Length, Usage, FVF, Pool));
  if (failVertexBuffer || ppVertexBuffer == nullptr) return D3DERR_OUTOFVIDEOMEMORY;
  vertexBuffers.push_back(std::make_unique<RecordingVertexBuffer>(this, Length, Usage, FVF, Pool));
  *ppVertexBuffer = vertexBuffers.back().get();
  return D3D_OK;
}

HRESULT RecordingDevice::UpdateTexture(IDirect3DBaseTexture8* pSourceTexture,
                                       IDirect3DBaseTexture8* pDestinationTexture) {
  calls.push_back(line("UpdateTexture", pSourceTexture, pDestinationTexture));
  auto* source = static_cast<RecordingTexture*>(pSourceTexture);
  auto* destination = static_cast<RecordingTexture*>(pDestinationTexture);
  if (source == nullptr || destination == nullptr || source->pool != D3DPOOL_SYSTEMMEM ||
      destination->pool != D3DPOOL_DEFAULT || source->format != destination->format ||
      source->width != destination->width || source->height != destination->height) {
    return D3DERR_INVALIDCALL;
  }
  for (UINT y = 0; y < source->height; ++y) {
    std::memcpy(destination->bits.data() + static_cast<size_t>(y) * destination->pitch,
                source->bits.data() + static_cast<size_t>(y) * source->pitch,
                static_cast<size_t>(source->width) * bytesPerTexel(source->format));
  }
  return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  calls.push_back(line("SetTransform", State));
  transforms[State] = *pMatrix;
  return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL8* pMaterial) {
  calls.push_back("SetMaterial");
  material = *pMaterial;
  return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  calls.push_back(line("SetRenderState", State, Value));
  renderStates[State] = Value;
  return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
  calls.push_back(line("SetTexture", Stage, pTexture));
  if (Stage == 0) boundTexture = pTexture;
  return D3D_OK;
}

HRESULT RecordingDevice::SetVertexShader(DWORD Handle) {
  calls.push_back(line("SetVertexShader", Handle));
  vertexShader = Handle;
  return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) {
  calls.push_back(line("SetStreamSource", StreamNumber, Stride));
  streamSource = pStreamData;
  return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
  calls.push_back(line("DrawPrimitive", PrimitiveType, StartVertex, PrimitiveCount));
  auto* source = static_cast<RecordingVertexBuffer*>(streamSource);
  drawnVertexData.push_back(source != nullptr ? source->data : std::vector<BYTE>{});
  return D3D_OK;
}
