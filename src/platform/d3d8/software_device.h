// Settings of the software Direct3D 8 implementation and where its frames go.
//
// The software device draws into a 640 x 480 A8R8G8B8 back buffer with a D16
// depth buffer (rendered finer inside at a render scale, see below) and
// hands every presented frame to the current FrameSink. The
// settings below let tests pose as other hardware: capabilities, the texture
// formats CheckDeviceFormat accepts, and failures of chosen calls. They are
// read when the call in question runs, so a test may change them at any time.
// Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/frame_sink.h"

constexpr UINT kBackBufferWidth = 640;
constexpr UINT kBackBufferHeight = 480;

// Which CreateDevice calls fail.
enum class CreateDeviceFailure {
  kNone,
  kHardwareVertexProcessing,  // only calls asking for hardware (or mixed) vertex processing
  kAll,
};

struct SoftwareDeviceConfig {
  // Capabilities reported by GetDeviceCaps (both the object's and the device's).
  D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
  UINT adapterOrdinal = 0;
  DWORD textureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  DWORD maxTextureWidth = 2048;
  DWORD maxTextureHeight = 2048;
  DWORD maxTextureAspectRatio = 0;  // 0: no limit

  // Formats CheckDeviceFormat accepts for textures; CreateTexture accepts the
  // same and allocates them by their bits per pixel.
  std::vector<D3DFORMAT> textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                           D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                           D3DFMT_A8,       D3DFMT_L8,       D3DFMT_A8L8};

  // Injected failures and the result they return.
  bool failDirect3DCreate8 = false;  // Direct3DCreate8 returns null
  bool failGetAdapterDisplayMode = false;
  HRESULT getAdapterDisplayModeResult = D3DERR_INVALIDCALL;
  CreateDeviceFailure failCreateDevice = CreateDeviceFailure::kNone;
  HRESULT createDeviceResult = D3DERR_NOTAVAILABLE;
  bool failClear = false;
  HRESULT clearResult = D3DERR_INVALIDCALL;
  bool failPresent = false;
  HRESULT presentResult = D3DERR_DEVICELOST;
};

// The process-wide settings; tests change them in place.
SoftwareDeviceConfig& softwareDeviceConfig();
// Puts every setting back to its default (tests call it in SetUp).
void resetSoftwareDeviceConfig();

// Threads that rasterise in devices created from now on, 1 to 64 (more are
// clamped); 0, the default, means the machine's processor count. Every
// count gives the same pixels.
void setRenderThreads(int threads);
int renderThreads();

// How finely devices created from now on render. The presentation always
// sees a 640 x 480 device (caps, display mode, viewport, pre-transformed
// positions); inside, every screen position is multiplied by the render
// scale, so the buffers hold scale * 640 x scale * 480 pixels and the fill
// rules apply on that finer grid. Textures, depth values and blending are
// unchanged. The picture handed to the frame sink is `pictureScale` times
// the presentation's size (1 to kMaxPictureScale; 0 asks the sink which
// scale fits it, and asks again after each Present whose sink changed size,
// e.g. a window resized or switched to full screen). With `supersample` the device renders at twice the
// picture scale and averages each 2 x 2 block: four samples a picture
// pixel. Scale 1 without supersampling gives exactly the 640 x 480 frames.
struct RenderResolution {
  int pictureScale = 1;
  bool supersample = false;
};
void setRenderResolution(const RenderResolution& resolution);
RenderResolution renderResolution();

// Where Present hands the back buffer. Null (the default): Present succeeds
// and the frame goes nowhere. The sink is not owned.
void setFrameSink(FrameSink* sink);
FrameSink* currentFrameSink();

// Bits per pixel of a texture format CreateTexture can allocate; 0 when the
// format is not a plain texture format.
UINT textureFormatBits(D3DFORMAT format);

// Keeps a copy of the last presented frame, for tests and capture.
class MemoryFrameSink : public FrameSink {
 public:
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override;

  // Packed rows, width * height entries, 0xAARRGGBB.
  const std::vector<std::uint32_t>& pixels() const { return pixels_; }
  std::uint32_t pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  int width() const { return width_; }
  int height() const { return height_; }
  int frameCount() const { return frameCount_; }
  // Makes the next presents fail (presentFrame returns false).
  void setRefuse(bool refuse) { refuse_ = refuse; }

 private:
  std::vector<std::uint32_t> pixels_;
  int width_ = 0;
  int height_ = 0;
  int frameCount_ = 0;
  bool refuse_ = false;
};
