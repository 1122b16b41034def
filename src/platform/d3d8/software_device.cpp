// The software device: creation, state, resources and the frame calls.
// Drawing is in software_device_draw.cpp.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d8/software_device.h"
#include "platform/d3d8/row_split.h"
#include "platform/d3d8/sample_average.h"
#include "platform/d3d8/software_device_impl.h"
#include "platform/d3d8/spans_wide.h"


namespace {

// The queue of the device created last, whose threads splitRows uses.
RenderQueue* rowQueue = nullptr;

DWORD floatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

D3DMATRIX identityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

UINT fullChainLength(UINT width, UINT height) {
  UINT levels = 1;
  while (width > 1 || height > 1) {
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
    ++levels;
  }
  return levels;
}

// Guards against absurd sizes a caller could pass (the memory would be
// width * height * 4 bytes and more).
constexpr UINT kMaxBufferBytes = 256u * 1024u * 1024u;

}  // namespace

SoftwareDevice::SoftwareDevice(SoftwareDirect3D* direct3D, HWND window, const D3DPRESENT_PARAMETERS& parameters)
    : direct3D_(direct3D), window_(window), parameters_(parameters) {
  direct3D_->AddRef();
  const RenderResolution resolution = renderResolution();
  int pictureScale = resolution.pictureScale;
  supersample_ = resolution.supersample;
  automaticScale_ = pictureScale == 0;
  if (automaticScale_) {
    const FrameSink* sink = currentFrameSink();
    if (sink != nullptr) sinkSizeGeneration_ = sink->sizeGeneration();
    pictureScale = sink != nullptr ? std::clamp(sink->fittingRenderScale(kMaxPictureScale), 1, kMaxPictureScale) : 1;
  }
  allocateBuffers(pictureScale);
  setDefaultStates();
}

void SoftwareDevice::allocateBuffers(int pictureScale) {
  if (rowQueue == queue_.get()) rowQueue = nullptr;
  queue_.reset();  // its threads draw into the old buffers
  scale_ = pictureScale * (supersample_ ? 2 : 1);
  bufferWidth_ = kBackBufferWidth * static_cast<UINT>(scale_);
  bufferHeight_ = kBackBufferHeight * static_cast<UINT>(scale_);
  bufferPitch_ = bufferWidth_ + raster::kSpanPadding;
  colour_.assign(static_cast<std::size_t>(bufferPitch_) * bufferHeight_, 0);
  depth_.assign(static_cast<std::size_t>(bufferPitch_) * bufferHeight_, 0xFFFF);
  picture_.clear();
  if (supersample_) picture_.assign(static_cast<std::size_t>(bufferWidth_ / 2) * (bufferHeight_ / 2), 0);
  queue_ = std::make_unique<RenderQueue>(colour_.data(), depth_.data(), static_cast<int>(bufferPitch_),
                                         static_cast<int>(bufferHeight_), renderThreads());
  rowQueue = queue_.get();
}

void SoftwareDevice::followSinkSize(const FrameSink& sink) {
  const unsigned generation = sink.sizeGeneration();
  if (generation == sinkSizeGeneration_) return;
  sinkSizeGeneration_ = generation;
  const int fitting = std::clamp(sink.fittingRenderScale(kMaxPictureScale), 1, kMaxPictureScale);
  if (fitting * (supersample_ ? 2 : 1) != scale_) allocateBuffers(fitting);
}

SoftwareDevice::~SoftwareDevice() {
  if (rowQueue == queue_.get()) rowQueue = nullptr;
  queue_.reset();  // finishes the queued draws before their textures go
  for (SoftwareTexture*& texture : textures_) {
    if (texture != nullptr) texture->Release();
    texture = nullptr;
  }
  if (stream_ != nullptr) stream_->Release();
  if (indices_ != nullptr) indices_->Release();
  stream_ = nullptr;
  indices_ = nullptr;
  // Resources the program still holds outlive the device; they only lose it.
  for (ResourceCore* resource : resources_) resource->detachFromDevice();
  resources_.clear();
  direct3D_->Release();
}

ULONG SoftwareDevice::Release() {
  if (refCount_ == 0) return 0;
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

std::vector<std::uint32_t> SoftwareDevice::backBuffer() const { return packedRows(colour_); }

std::vector<std::uint16_t> SoftwareDevice::depthBuffer() const { return packedRows(depth_); }

template <typename T>
std::vector<T> SoftwareDevice::packedRows(const std::vector<T>& buffer) const {
  queue_->finish();
  std::vector<T> packed(static_cast<std::size_t>(bufferWidth_) * bufferHeight_);
  for (UINT y = 0; y < bufferHeight_; ++y) {
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(y) * bufferPitch_, bufferWidth_,
                packed.begin() + static_cast<std::ptrdiff_t>(y) * bufferWidth_);
  }
  return packed;
}

void SoftwareDevice::registerResource(ResourceCore* resource) { resources_.push_back(resource); }

void SoftwareDevice::forgetResource(ResourceCore* resource) {
  auto it = std::find(resources_.begin(), resources_.end(), resource);
  if (it != resources_.end()) resources_.erase(it);
}

void SoftwareDevice::setDefaultStates() {
  renderStates_.fill(0);
  auto& rs = renderStates_;
  rs[D3DRS_ZENABLE] = parameters_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGSTART] = floatBits(0.0f);
  rs[D3DRS_FOGEND] = floatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = floatBits(1.0f);
  rs[D3DRS_STENCILFAIL] = 1;  // KEEP
  rs[D3DRS_STENCILZFAIL] = 1;
  rs[D3DRS_STENCILPASS] = 1;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
  rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_POINTSIZE] = floatBits(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

  for (int stage = 0; stage < kStages; ++stage) {
    auto& ss = stageStates_[stage];
    ss.fill(0);
    ss[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ss[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ss[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(stage);
    ss[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    ss[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ss[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    ss[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DTSS_MAXANISOTROPY] = 1;
    ss[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    ss[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    ss[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  world_ = view_ = projection_ = identityMatrix();
  viewport_ = {0, 0, kBackBufferWidth, kBackBufferHeight, 0.0f, 1.0f};
  material_ = {};
}

// ---------------------------------------------------------------------------
// Queries and resources
// ---------------------------------------------------------------------------

HRESULT SoftwareDevice::GetDirect3D(IDirect3D8** ppD3D8) {
  if (ppD3D8 == nullptr) return D3DERR_INVALIDCALL;
  direct3D_->AddRef();
  *ppD3D8 = direct3D_;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
  if (pCaps == nullptr) return D3DERR_INVALIDCALL;
  fillSoftwareCaps(pCaps);
  return D3D_OK;
}

HRESULT SoftwareDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
  if (pMode == nullptr) return D3DERR_INVALIDCALL;
  // A 32-bit display mode is reported without alpha, as displays have none.
  *pMode = {kBackBufferWidth, kBackBufferHeight, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT SoftwareDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                      D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  if (Width == 0 || Height == 0 || Width > config.maxTextureWidth || Height > config.maxTextureHeight) {
    return D3DERR_INVALIDCALL;
  }
  if (Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_MANAGED && Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((Usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC)) != 0) return D3DERR_INVALIDCALL;
  if (std::find(config.textureFormats.begin(), config.textureFormats.end(), Format) == config.textureFormats.end() ||
      textureFormatBits(Format) == 0) {
    return D3DERR_INVALIDCALL;
  }
  if (static_cast<std::uint64_t>(Width) * Height * 4 > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  const UINT chain = fullChainLength(Width, Height);
  if (Levels == 0 || Levels > chain) Levels = chain;
  *ppTexture = new SoftwareTexture(this, ++textureSerial_, Width, Height, Levels, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT SoftwareDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                           IDirect3DVertexBuffer8** ppVertexBuffer) {
  if (ppVertexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  if (Length == 0 || Length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  if (Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_MANAGED && Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = new SoftwareVertexBuffer(this, ++vertexBufferSerial_, Length, Usage, FVF, Pool);
  return D3D_OK;
}

HRESULT SoftwareDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                          IDirect3DIndexBuffer8** ppIndexBuffer) {
  if (ppIndexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = nullptr;
  if (Length == 0 || Length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  if (Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_MANAGED && Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = new SoftwareIndexBuffer(this, ++indexBufferSerial_, Length, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT SoftwareDevice::UpdateTexture(IDirect3DBaseTexture8* pSourceTexture,
                                      IDirect3DBaseTexture8* pDestinationTexture) {
  auto* source = dynamic_cast<SoftwareTexture*>(pSourceTexture);
  auto* destination = dynamic_cast<SoftwareTexture*>(pDestinationTexture);
  return updateSoftwareTexture(source, destination);
}

// ---------------------------------------------------------------------------
// Frame
// ---------------------------------------------------------------------------

HRESULT SoftwareDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                              DWORD /*Stencil*/) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  if (config.failClear) return config.clearResult;
  if ((Count != 0 && pRects == nullptr) || (Flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0) {
    return D3DERR_INVALIDCALL;
  }
  if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && !parameters_.EnableAutoDepthStencil) {
    return D3DERR_INVALIDCALL;
  }
  if ((Flags & D3DCLEAR_STENCIL) != 0) return D3DERR_INVALIDCALL;  // D16 has no stencil
  if ((Flags & D3DCLEAR_ZBUFFER) != 0 && !(Z >= 0.0f && Z <= 1.0f)) return D3DERR_INVALIDCALL;
  const auto depthValue = static_cast<std::uint16_t>(std::lround(Z * 65535.0f));

  // Only the viewport is cleared, and of it only the rectangles if given;
  // both in presentation pixels, each covering scale x scale samples.
  RenderQueue::ClearCommand command;
  command.colour = (Flags & D3DCLEAR_TARGET) != 0;
  command.depth = (Flags & D3DCLEAR_ZBUFFER) != 0;
  command.colourValue = Color;
  command.depthValue = depthValue;
  const LONG vx0 = static_cast<LONG>(viewport_.X), vy0 = static_cast<LONG>(viewport_.Y);
  const LONG vx1 = vx0 + static_cast<LONG>(viewport_.Width), vy1 = vy0 + static_cast<LONG>(viewport_.Height);
  auto clearRect = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
    x0 = std::max(x0, vx0);
    y0 = std::max(y0, vy0);
    x1 = std::min(x1, vx1);
    y1 = std::min(y1, vy1);
    if (x1 <= x0 || y1 <= y0) return;
    command.rects.push_back({static_cast<int>(x0) * scale_, static_cast<int>(y0) * scale_, static_cast<int>(x1) * scale_,
                             static_cast<int>(y1) * scale_});
  };
  if (Count == 0) {
    clearRect(vx0, vy0, vx1, vy1);
  } else {
    for (DWORD i = 0; i < Count; ++i) clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
  }
  if (!command.rects.empty()) queue_->submitClear(std::move(command));
  return D3D_OK;
}

HRESULT SoftwareDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT SoftwareDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT SoftwareDevice::Present(const RECT* /*pSourceRect*/, const RECT* /*pDestRect*/,
                                HWND /*hDestWindowOverride*/, const RGNDATA* /*pDirtyRegion*/) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  if (config.failPresent) return config.presentResult;
  // The frame is complete once its queued work is; waiting here also keeps
  // the queue from growing across frames.
  queue_->finish();
  FrameSink* sink = currentFrameSink();
  if (sink == nullptr) return D3D_OK;
  bool shown;
  if (supersample_) {
    const int width = static_cast<int>(bufferWidth_ / 2), height = static_cast<int>(bufferHeight_ / 2);
    averageSampleBlocks(colour_.data(), static_cast<int>(bufferPitch_), picture_.data(), width, height);
    shown = sink->presentFrame(picture_.data(), width, height, width * 4);
  } else {
    shown = sink->presentFrame(colour_.data(), static_cast<int>(bufferWidth_), static_cast<int>(bufferHeight_),
                               static_cast<int>(bufferPitch_ * 4));
  }
  if (!shown) return D3DERR_DEVICELOST;
  // The frame was taken: the buffers may change size before the next one.
  if (automaticScale_) followSinkSize(*sink);
  return D3D_OK;
}

// ---------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------

HRESULT SoftwareDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
  switch (State) {
    case D3DTS_WORLD: world_ = *pMatrix; return D3D_OK;
    case D3DTS_VIEW: view_ = *pMatrix; return D3D_OK;
    case D3DTS_PROJECTION: projection_ = *pMatrix; return D3D_OK;
    default:
      // Texture matrices and further world matrices: accepted, not used.
      return State <= 511 ? D3D_OK : D3DERR_INVALIDCALL;
  }
}

HRESULT SoftwareDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
  switch (State) {
    case D3DTS_WORLD: *pMatrix = world_; return D3D_OK;
    case D3DTS_VIEW: *pMatrix = view_; return D3D_OK;
    case D3DTS_PROJECTION: *pMatrix = projection_; return D3D_OK;
    default: *pMatrix = identityMatrix(); return State <= 511 ? D3D_OK : D3DERR_INVALIDCALL;
  }
}

HRESULT SoftwareDevice::SetViewport(const D3DVIEWPORT8* pViewport) {
  if (pViewport == nullptr) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT8& v = *pViewport;
  if (v.Width == 0 || v.Height == 0 || v.X > kBackBufferWidth || v.Y > kBackBufferHeight ||
      v.Width > kBackBufferWidth - v.X || v.Height > kBackBufferHeight - v.Y || !(v.MinZ >= 0.0f) ||
      !(v.MaxZ <= 1.0f) || !(v.MinZ <= v.MaxZ)) {
    return D3DERR_INVALIDCALL;
  }
  viewport_ = v;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetViewport(D3DVIEWPORT8* pViewport) {
  if (pViewport == nullptr) return D3DERR_INVALIDCALL;
  *pViewport = viewport_;
  return D3D_OK;
}

HRESULT SoftwareDevice::SetMaterial(const D3DMATERIAL8* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  material_ = *pMaterial;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetMaterial(D3DMATERIAL8* pMaterial) {
  if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
  *pMaterial = material_;
  return D3D_OK;
}

SoftwareDevice::LightSlot* SoftwareDevice::findLight(DWORD index) {
  for (LightSlot& slot : lights_) {
    if (slot.index == index) return &slot;
  }
  return nullptr;
}

HRESULT SoftwareDevice::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
  if (pLight == nullptr) return D3DERR_INVALIDCALL;
  if (pLight->Type != D3DLIGHT_POINT && pLight->Type != D3DLIGHT_SPOT && pLight->Type != D3DLIGHT_DIRECTIONAL) {
    return D3DERR_INVALIDCALL;
  }
  if (LightSlot* slot = findLight(Index)) {
    slot->light = *pLight;
  } else {
    lights_.push_back({Index, *pLight, false});
  }
  return D3D_OK;
}

HRESULT SoftwareDevice::GetLight(DWORD Index, D3DLIGHT8* pLight) {
  const LightSlot* slot = findLight(Index);
  if (pLight == nullptr || slot == nullptr) return D3DERR_INVALIDCALL;
  *pLight = slot->light;
  return D3D_OK;
}

HRESULT SoftwareDevice::LightEnable(DWORD Index, BOOL Enable) {
  LightSlot* slot = findLight(Index);
  if (slot == nullptr) {
    // Enabling a light never set gives the default: white, shining along +z.
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    lights_.push_back({Index, light, false});
    slot = &lights_.back();
  }
  slot->enabled = Enable != FALSE;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetLightEnable(DWORD Index, BOOL* pEnable) {
  const LightSlot* slot = findLight(Index);
  if (pEnable == nullptr || slot == nullptr) return D3DERR_INVALIDCALL;
  *pEnable = slot->enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT SoftwareDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (State == 0 || State >= kRenderStates) return D3DERR_INVALIDCALL;
  renderStates_[State] = Value;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (pValue == nullptr || State == 0 || State >= kRenderStates) return D3DERR_INVALIDCALL;
  *pValue = renderStates_[State];
  return D3D_OK;
}

HRESULT SoftwareDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
  if (Stage >= kStages) return D3DERR_INVALIDCALL;
  auto* texture = dynamic_cast<SoftwareTexture*>(pTexture);
  if (pTexture != nullptr && (texture == nullptr || texture->core().device() != this)) return D3DERR_INVALIDCALL;
  // The device holds its own reference on a bound texture.
  if (texture != nullptr) texture->AddRef();
  if (textures_[Stage] != nullptr) textures_[Stage]->Release();
  textures_[Stage] = texture;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
  if (Stage >= kStages || ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = textures_[Stage];
  if (textures_[Stage] != nullptr) textures_[Stage]->AddRef();
  return D3D_OK;
}

HRESULT SoftwareDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage >= kStages || Type == 0 || Type >= kStageStates) return D3DERR_INVALIDCALL;
  stageStates_[Stage][Type] = Value;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
  if (Stage >= kStages || Type == 0 || Type >= kStageStates || pValue == nullptr) return D3DERR_INVALIDCALL;
  *pValue = stageStates_[Stage][Type];
  return D3D_OK;
}

HRESULT SoftwareDevice::SetVertexShader(DWORD Handle) {
  // Only fixed-function vertex formats exist here (shader handles are odd
  // numbers above 0xFFFF on real devices, FVF codes fit in 0x00FFFFFF).
  VertexFormat format;
  if (!decodeVertexFormat(Handle, &format)) return D3DERR_INVALIDCALL;
  vertexShader_ = Handle;
  return D3D_OK;
}

HRESULT SoftwareDevice::GetVertexShader(DWORD* pHandle) {
  if (pHandle == nullptr) return D3DERR_INVALIDCALL;
  *pHandle = vertexShader_;
  return D3D_OK;
}

HRESULT SoftwareDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) {
  if (StreamNumber != 0) return D3DERR_INVALIDCALL;
  auto* buffer = dynamic_cast<SoftwareVertexBuffer*>(pStreamData);
  if (pStreamData != nullptr && (buffer == nullptr || buffer->core().device() != this)) return D3DERR_INVALIDCALL;
  if (buffer != nullptr) buffer->AddRef();
  if (stream_ != nullptr) stream_->Release();
  stream_ = buffer;
  streamStride_ = Stride;
  return D3D_OK;
}

HRESULT SoftwareDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
  auto* buffer = dynamic_cast<SoftwareIndexBuffer*>(pIndexData);
  if (pIndexData != nullptr && (buffer == nullptr || buffer->core().device() != this)) return D3DERR_INVALIDCALL;
  if (buffer != nullptr) buffer->AddRef();
  if (indices_ != nullptr) indices_->Release();
  indices_ = buffer;
  baseVertexIndex_ = BaseVertexIndex;
  return D3D_OK;
}

void splitRows(int rows, int minRows, RowTask task, void* context) {
  if (rows <= 0) return;
  if (rowQueue == nullptr) {
    task(context, 0, rows);
    return;
  }
  rowQueue->runRows(rows, minRows, task, context);
}
