// The software IDirect3D8 and IDirect3DDevice8 (internal to platform/d3d8;
// the presentation sees only d3d8.h and software_device.h).
//
// The device keeps Direct3D 8's state blocks (render states, texture stage
// states, transforms, material, lights, viewport, bindings) with the
// platform's defaults, a 640 x 480 A8R8G8B8 back buffer and a D16 depth
// buffer. Draw calls run the vertex stage at once and hand the triangles to
// the render queue, which rasterises them on its threads; whatever reads the
// buffers or changes a texture a queued draw reads waits for that work first.
// The device's methods: main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/render_queue.h"
#include "platform/d3d8/software_resources.h"
#include "platform/d3d8/spans_wide.h"
#include "platform/d3d8/vertex_pipeline.h"

class SoftwareDirect3D final : public IDirect3D8 {
 public:
  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override;
  UINT GetAdapterCount() override { return 1; }
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                            D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice8** ppReturnedDeviceInterface) override;

 private:
  ULONG refCount_ = 1;
};

// The capabilities the software device reports, from the current settings.
void fillSoftwareCaps(D3DCAPS8* caps);

class SoftwareDevice final : public IDirect3DDevice8 {
 public:
  SoftwareDevice(SoftwareDirect3D* direct3D, HWND window, const D3DPRESENT_PARAMETERS& parameters);
  ~SoftwareDevice() override;

  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override;

  HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture8** ppTexture) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer8** ppVertexBuffer) override;
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer8** ppIndexBuffer) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override;

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const RGNDATA* pDirtyRegion) override;

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
  HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
  HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
  HRESULT LightEnable(DWORD Index, BOOL Enable) override;
  HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
  HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT SetVertexShader(DWORD Handle) override;
  HRESULT GetVertexShader(DWORD* pHandle) override;

  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                               UINT primCount) override;

  // Resource bookkeeping (see software_resources.h).
  void registerResource(ResourceCore* resource);
  void forgetResource(ResourceCore* resource);

  // Returns once every queued draw numbered up to `batch` is rasterised.
  void waitForDraws(std::uint64_t batch) {
    if (queue_ != nullptr) queue_->waitFor(batch);
  }

  // Copies of the back buffer (0xAARRGGBB) and depth buffer in packed rows
  // of bufferWidth() x bufferHeight() samples, once every queued draw is
  // done; for tests.
  std::vector<std::uint32_t> backBuffer() const;
  std::vector<std::uint16_t> depthBuffer() const;
  // Buffer samples per presentation pixel, each way (picture scale times
  // two with supersampling).
  int renderScale() const { return scale_; }
  int bufferWidth() const { return static_cast<int>(bufferWidth_); }
  int bufferHeight() const { return static_cast<int>(bufferHeight_); }

 private:
  static constexpr int kStages = 8;
  static constexpr int kStageStates = 32;
  static constexpr int kRenderStates = 256;

  struct LightSlot {
    DWORD index;
    D3DLIGHT8 light;
    bool enabled;
  };

  template <typename T>
  std::vector<T> packedRows(const std::vector<T>& buffer) const;
  // Buffers (and the queue that draws into them) for a picture scale.
  void allocateBuffers(int pictureScale);
  // An automatic render scale follows the sink's size: after it changed,
  // the scale that fits is chosen again (between frames, in Present).
  void followSinkSize(const FrameSink& sink);
  void setDefaultStates();
  LightSlot* findLight(DWORD index);
  PixelState pixelState(bool pretransformed);
  VertexStageState vertexStageState() const;
  // Shared by both draw calls: checks the stream and prepares the stages.
  HRESULT prepareDraw(VertexFormat* format, PixelState* pixels);
  // Triangle assembly for lists and strips (fans too); index(i) gives the
  // i-th vertex of the primitive stream, already validated.
  template <typename IndexOf>
  void assemble(D3DPRIMITIVETYPE type, UINT primitiveCount, const VertexFormat& format, const PixelState& pixels,
                IndexOf indexOf);

  ULONG refCount_ = 1;
  SoftwareDirect3D* direct3D_;
  HWND window_;
  D3DPRESENT_PARAMETERS parameters_;
  bool inScene_ = false;

  std::array<DWORD, kRenderStates> renderStates_{};
  std::array<std::array<DWORD, kStageStates>, kStages> stageStates_{};
  D3DMATRIX world_{}, view_{}, projection_{};
  D3DVIEWPORT8 viewport_{};
  D3DMATERIAL8 material_{};
  std::vector<LightSlot> lights_;
  std::array<SoftwareTexture*, kStages> textures_{};
  DWORD vertexShader_ = 0;
  SoftwareVertexBuffer* stream_ = nullptr;
  UINT streamStride_ = 0;
  SoftwareIndexBuffer* indices_ = nullptr;
  UINT baseVertexIndex_ = 0;

  // Render scale, chosen when the device is created (software_device.h);
  // an automatic one is chosen again when the sink's size changes.
  int scale_ = 1;
  bool supersample_ = false;
  bool automaticScale_ = false;
  unsigned sinkSizeGeneration_ = 0;
  UINT bufferWidth_ = kBackBufferWidth;
  UINT bufferHeight_ = kBackBufferHeight;
  // Rows bufferPitch_ pixels apart: the wide span loops may read a few
  // pixels past a span's end, and the padding keeps those reads inside the
  // row, away from the rows other threads draw.
  UINT bufferPitch_ = kBackBufferWidth + raster::kSpanPadding;
  std::vector<std::uint32_t> colour_;
  std::vector<std::uint32_t> picture_;  // the averaged picture, with supersampling
  std::vector<std::uint16_t> depth_;
  std::vector<ResourceCore*> resources_;
  UINT textureSerial_ = 0;
  UINT vertexBufferSerial_ = 0;
  UINT indexBufferSerial_ = 0;

  std::unique_ptr<RenderQueue> queue_;  // after the buffers it writes

  // Per-draw scratch, kept to avoid allocating during frames.
  VertexStage vertexStage_;
  std::vector<ClipVertex> transformed_;
  std::vector<RasterVertex> screenVertices_;
};
