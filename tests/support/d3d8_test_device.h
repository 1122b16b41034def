// A software device set up for rendering tests: full-screen parameters with
// a D16 depth buffer, frames captured by a MemoryFrameSink, plus helpers to
// fill buffers and textures and to build the usual matrices.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/software_device.h"

struct PretransformedVertex {  // FVF 0x144
  float x, y, z, rhw;
  DWORD colour;
  float u, v;
};

struct MeshVertex112 {  // FVF 0x112
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

// 640 x 480 A8R8G8B8, flip, D16 depth: what the presentation asks for.
D3DPRESENT_PARAMETERS fullScreenParameters();

class TestDevice {
 public:
  // Resets the settings, creates the device (at `resolution`), installs the sink.
  explicit TestDevice(const RenderResolution& resolution = {});
  ~TestDevice();
  TestDevice(const TestDevice&) = delete;
  TestDevice& operator=(const TestDevice&) = delete;

  IDirect3DDevice8* operator->() const { return device_; }
  IDirect3DDevice8* get() const { return device_; }
  bool ok() const { return device_ != nullptr; }
  // Makes this the process-wide `device` until destroyed.
  void install();

  // Ends the scene if one is open, presents and returns the frame (the
  // picture at the device's scale, frameWidth() pixels a row).
  const std::vector<std::uint32_t>& present();
  int frameWidth() const { return sink_.width(); }

  // Buffers and textures owned by this helper (released with it).
  IDirect3DVertexBuffer8* vertexBuffer(const void* data, UINT bytes, DWORD fvf);
  IDirect3DIndexBuffer8* indexBuffer(const std::vector<std::uint16_t>& indices);
  // A DEFAULT-pool A8R8G8B8 texture filled through a SYSTEMMEM copy.
  IDirect3DTexture8* texture(UINT width, UINT height, const std::function<std::uint32_t(UINT, UINT)>& texel);
  // The SYSTEMMEM copy alone; not owned: the caller releases it.
  IDirect3DTexture8* systemTexture(UINT width, UINT height, const std::function<std::uint32_t(UINT, UINT)>& texel);

  // Draws pre-transformed vertices as a strip (or list) from a fresh buffer.
  void drawScreen(const std::vector<PretransformedVertex>& vertices, D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP);
  // Draws an indexed 0x112 mesh.
  void drawMesh(const std::vector<MeshVertex112>& vertices, const std::vector<std::uint16_t>& indices);

 private:
  template <typename Buffer>
  Buffer* filled(HRESULT created, Buffer* buffer, const void* data, UINT bytes);

  IDirect3D8* direct3D_ = nullptr;
  IDirect3DDevice8* device_ = nullptr;
  IDirect3DDevice8* replaced_ = nullptr;
  bool installed_ = false;
  MemoryFrameSink sink_;
  std::vector<IUnknown*> owned_;
};

// A quad of two triangles from (x0, y0) to (x1, y1) as a clockwise strip.
std::vector<PretransformedVertex> screenQuad(float x0, float y0, float x1, float y1, float z, DWORD colour,
                                             float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1);

// One triangle in `colour`, its corners in the order given.
std::vector<PretransformedVertex> screenTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                                                 DWORD colour);

D3DMATRIX scaling(float s);
D3DMATRIX perspectiveLH(float fovy, float aspect, float zn, float zf);
D3DMATRIX lookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up);
