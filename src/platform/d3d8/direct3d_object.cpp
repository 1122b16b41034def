// The software IDirect3D8, the process-wide settings and the frame sinks.

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/d3d8/device_trace.h"
#include "platform/d3d8/software_device.h"
#include "platform/d3d8/software_device_impl.h"

namespace {

SoftwareDeviceConfig& configStorage() {
  static SoftwareDeviceConfig config;
  return config;
}

FrameSink* gFrameSink = nullptr;

std::string hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string traced(const std::string& call, HRESULT result) {
  return FAILED(result) ? call + " -> " + resultName(result) : call;
}

}  // namespace

SoftwareDeviceConfig& softwareDeviceConfig() { return configStorage(); }

void resetSoftwareDeviceConfig() { configStorage() = SoftwareDeviceConfig{}; }

namespace {
int gRenderThreads = 0;  // 0: the processor count
RenderResolution gRenderResolution;
}  // namespace

void setRenderResolution(const RenderResolution& resolution) {
  gRenderResolution = resolution;
  gRenderResolution.pictureScale = std::clamp(resolution.pictureScale, 0, kMaxPictureScale);
}

RenderResolution renderResolution() { return gRenderResolution; }

void setRenderThreads(int threads) { gRenderThreads = threads <= 0 ? 0 : std::min(threads, 64); }

int renderThreads() {
  if (gRenderThreads > 0) return gRenderThreads;
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
}

void setFrameSink(FrameSink* sink) { gFrameSink = sink; }

FrameSink* currentFrameSink() { return gFrameSink; }

UINT textureFormatBits(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
      return 32;
    case D3DFMT_R8G8B8:
      return 24;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8P8:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
      return 16;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return 8;
    case D3DFMT_DXT1:
      return 4;
    default:
      return 0;
  }
}

bool MemoryFrameSink::presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) {
  if (refuse_ || pixels == nullptr || width <= 0 || height <= 0 || pitch < width * 4) return false;
  width_ = width;
  height_ = height;
  pixels_.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const BYTE*>(pixels) +
                                                             static_cast<std::size_t>(y) * pitch);
    std::copy(row, row + width, pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  ++frameCount_;
  return true;
}

void fillSoftwareCaps(D3DCAPS8* caps) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  *caps = {};
  caps->DeviceType = config.deviceType;
  caps->AdapterOrdinal = config.adapterOrdinal;
  caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps->PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_BLENDOP;
  caps->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_ZBIAS | D3DPRASTERCAPS_COLORPERSPECTIVE;
  caps->TextureCaps = config.textureCaps;
  caps->MaxTextureWidth = config.maxTextureWidth;
  caps->MaxTextureHeight = config.maxTextureHeight;
  caps->MaxTextureAspectRatio = config.maxTextureAspectRatio;
  caps->MaxTextureRepeat = 8192;
  caps->MaxAnisotropy = 1;
  caps->MaxVertexW = 1.0e10f;
  caps->GuardBandLeft = -4096.0f;
  caps->GuardBandTop = -4096.0f;
  caps->GuardBandRight = 4096.0f;
  caps->GuardBandBottom = 4096.0f;
  caps->FVFCaps = 8;  // texture coordinate sets
  caps->MaxTextureBlendStages = 1;
  caps->MaxSimultaneousTextures = 1;
  caps->MaxActiveLights = 8;
  caps->MaxPointSize = 1.0f;
  caps->MaxPrimitiveCount = 0xFFFFF;
  caps->MaxVertexIndex = 0xFFFFFF;
  caps->MaxStreams = 1;
  caps->MaxStreamStride = 255;
}

// ---------------------------------------------------------------------------
// IDirect3D8
// ---------------------------------------------------------------------------

IDirect3D8* Direct3DCreate8(UINT SDKVersion) {
  // 120 is Direct3D 8.0, 220 Direct3D 8.1; other versions get no object.
  if (SDKVersion != 120 && SDKVersion != 220) return nullptr;
  if (softwareDeviceConfig().failDirect3DCreate8) return nullptr;
  writeDeviceTrace("Direct3DCreate8(" + std::to_string(SDKVersion) + ")");
  return new SoftwareDirect3D();
}

ULONG SoftwareDirect3D::Release() {
  if (refCount_ == 0) return 0;
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT SoftwareDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  HRESULT result = D3D_OK;
  if (config.failGetAdapterDisplayMode) {
    result = config.getAdapterDisplayModeResult;
  } else if (Adapter != 0 || pMode == nullptr) {
    result = D3DERR_INVALIDCALL;
  } else {
    *pMode = {kBackBufferWidth, kBackBufferHeight, 60, D3DFMT_X8R8G8B8};
  }
  writeDeviceTrace(traced("IDirect3D8::GetAdapterDisplayMode(" + std::to_string(Adapter) + ")", result));
  return result;
}

HRESULT SoftwareDirect3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                            DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  HRESULT result = D3DERR_NOTAVAILABLE;
  if (Adapter != 0) {
    result = D3DERR_INVALIDCALL;
  } else if (RType == D3DRTYPE_TEXTURE && (Usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) == 0 &&
             std::find(config.textureFormats.begin(), config.textureFormats.end(), CheckFormat) !=
                 config.textureFormats.end()) {
    result = D3D_OK;
  }
  writeDeviceTrace(traced("IDirect3D8::CheckDeviceFormat(" + std::to_string(Adapter) + ", " +
                              std::to_string(DeviceType) + ", " + formatName(AdapterFormat) + ", " + hex(Usage) +
                              ", " + std::to_string(RType) + ", " + formatName(CheckFormat) + ")",
                          result));
  return result;
}

HRESULT SoftwareDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE /*DeviceType*/, D3DCAPS8* pCaps) {
  if (Adapter != 0 || pCaps == nullptr) return D3DERR_INVALIDCALL;
  fillSoftwareCaps(pCaps);
  return D3D_OK;
}

HRESULT SoftwareDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                       DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                                       IDirect3DDevice8** ppReturnedDeviceInterface) {
  const SoftwareDeviceConfig& config = softwareDeviceConfig();
  const DWORD processing = BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                            D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
  HRESULT result = D3D_OK;
  if (ppReturnedDeviceInterface != nullptr) *ppReturnedDeviceInterface = nullptr;
  if (Adapter != 0 || ppReturnedDeviceInterface == nullptr || pPresentationParameters == nullptr ||
      (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF && DeviceType != D3DDEVTYPE_SW) ||
      (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
       processing != D3DCREATE_MIXED_VERTEXPROCESSING)) {
    result = D3DERR_INVALIDCALL;
  } else if (config.failCreateDevice == CreateDeviceFailure::kAll ||
             (config.failCreateDevice == CreateDeviceFailure::kHardwareVertexProcessing &&
              processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
    result = config.createDeviceResult;
  } else {
    D3DPRESENT_PARAMETERS& p = *pPresentationParameters;
    const bool sizeOk = (p.BackBufferWidth == kBackBufferWidth && p.BackBufferHeight == kBackBufferHeight) ||
                        (p.Windowed && p.BackBufferWidth == 0 && p.BackBufferHeight == 0);
    const bool formatOk = p.BackBufferFormat == D3DFMT_A8R8G8B8 || p.BackBufferFormat == D3DFMT_X8R8G8B8 ||
                          (p.Windowed && p.BackBufferFormat == D3DFMT_UNKNOWN);
    const bool depthOk = !p.EnableAutoDepthStencil || p.AutoDepthStencilFormat == D3DFMT_D16;
    if (!sizeOk || !formatOk || !depthOk || p.BackBufferCount > 1 || p.MultiSampleType != D3DMULTISAMPLE_NONE) {
      result = D3DERR_INVALIDCALL;
    } else {
      // Direct3D writes back what it chose.
      p.BackBufferWidth = kBackBufferWidth;
      p.BackBufferHeight = kBackBufferHeight;
      if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
      if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    }
  }
  writeDeviceTrace(traced("IDirect3D8::CreateDevice(" + std::to_string(Adapter) + ", " +
                              std::to_string(DeviceType) + ", window, " + hex(BehaviorFlags) + ")",
                          result));
  if (FAILED(result)) return result;

  IDirect3DDevice8* device = new SoftwareDevice(this, hFocusWindow, *pPresentationParameters);
  if (deviceTraceEnabled()) {
    IDirect3DDevice8* traced = wrapWithTrace(device, [](const std::string& line) { writeDeviceTrace(line); });
    device->Release();
    device = traced;
  }
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}
