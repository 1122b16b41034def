#include "support/d3d8_test_device.h"

#include <cstdlib>
#include <cstring>

#include "render/device.h"
#include "render/math3d.h"

D3DPRESENT_PARAMETERS fullScreenParameters() {
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = 640;
  p.BackBufferHeight = 480;
  p.BackBufferFormat = D3DFMT_A8R8G8B8;
  p.SwapEffect = D3DSWAPEFFECT_FLIP;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D16;
  p.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  return p;
}

TestDevice::TestDevice(const RenderResolution& resolution) {
  resetSoftwareDeviceConfig();
  setRenderResolution(resolution);
  // The same tests run again with other thread counts (tests/CMakeLists.txt).
  if (const char* threads = std::getenv("GLASS_TEST_THREADS")) setRenderThreads(std::atoi(threads));
  setFrameSink(&sink_);
  direct3D_ = Direct3DCreate8(120);
  D3DPRESENT_PARAMETERS parameters = fullScreenParameters();
  if (direct3D_ != nullptr) {
    direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device_);
  }
}

TestDevice::~TestDevice() {
  if (installed_) device = replaced_;
  for (IUnknown* object : owned_) object->Release();
  if (device_ != nullptr) device_->Release();
  if (direct3D_ != nullptr) direct3D_->Release();
  setFrameSink(nullptr);
  resetSoftwareDeviceConfig();
  setRenderResolution({});
}

void TestDevice::install() {
  if (!installed_) replaced_ = device;
  installed_ = true;
  device = device_;
}

const std::vector<std::uint32_t>& TestDevice::present() {
  device_->EndScene();
  device_->Present(nullptr, nullptr, nullptr, nullptr);
  return sink_.pixels();
}

template <typename Buffer>
Buffer* TestDevice::filled(HRESULT created, Buffer* buffer, const void* data, UINT bytes) {
  if (FAILED(created)) return nullptr;
  BYTE* target = nullptr;
  buffer->Lock(0, 0, &target, 0);
  std::memcpy(target, data, bytes);
  buffer->Unlock();
  owned_.push_back(buffer);
  return buffer;
}

IDirect3DVertexBuffer8* TestDevice::vertexBuffer(const void* data, UINT bytes, DWORD fvf) {
  IDirect3DVertexBuffer8* buffer = nullptr;
  const HRESULT created = device_->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, &buffer);
  return filled(created, buffer, data, bytes);
}

IDirect3DIndexBuffer8* TestDevice::indexBuffer(const std::vector<std::uint16_t>& indices) {
  IDirect3DIndexBuffer8* buffer = nullptr;
  const UINT bytes = static_cast<UINT>(indices.size() * 2);
  const HRESULT created =
      device_->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &buffer);
  return filled(created, buffer, indices.data(), bytes);
}

IDirect3DTexture8* TestDevice::systemTexture(UINT width, UINT height,
                                             const std::function<std::uint32_t(UINT, UINT)>& texel) {
  IDirect3DTexture8* system = nullptr;
  if (FAILED(device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system))) return nullptr;
  D3DLOCKED_RECT locked{};
  system->LockRect(0, &locked, nullptr, 0);
  for (UINT y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    for (UINT x = 0; x < width; ++x) row[x] = texel(x, y);
  }
  system->UnlockRect(0);
  return system;
}

IDirect3DTexture8* TestDevice::texture(UINT width, UINT height,
                                       const std::function<std::uint32_t(UINT, UINT)>& texel) {
  IDirect3DTexture8* system = systemTexture(width, height, texel);
  IDirect3DTexture8* target = nullptr;
  device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target);
  if (system == nullptr || target == nullptr) return nullptr;
  device_->UpdateTexture(system, target);
  system->Release();
  owned_.push_back(target);
  return target;
}

void TestDevice::drawScreen(const std::vector<PretransformedVertex>& vertices, D3DPRIMITIVETYPE type) {
  IDirect3DVertexBuffer8* buffer =
      vertexBuffer(vertices.data(), static_cast<UINT>(vertices.size() * sizeof(PretransformedVertex)), 0x144);
  device_->SetStreamSource(0, buffer, sizeof(PretransformedVertex));
  device_->SetVertexShader(0x144);
  const UINT count = static_cast<UINT>(type == D3DPT_TRIANGLELIST ? vertices.size() / 3 : vertices.size() - 2);
  device_->DrawPrimitive(type, 0, count);
}

void TestDevice::drawMesh(const std::vector<MeshVertex112>& vertices, const std::vector<std::uint16_t>& indices) {
  IDirect3DVertexBuffer8* buffer =
      vertexBuffer(vertices.data(), static_cast<UINT>(vertices.size() * sizeof(MeshVertex112)), 0x112);
  IDirect3DIndexBuffer8* index = indexBuffer(indices);
  device_->SetVertexShader(0x112);
  device_->SetIndices(index, 0);
  device_->SetStreamSource(0, buffer, sizeof(MeshVertex112));
  device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()), 0,
                                static_cast<UINT>(indices.size() / 3));
}

std::vector<PretransformedVertex> screenQuad(float x0, float y0, float x1, float y1, float z, DWORD colour,
                                             float u0, float v0, float u1, float v1) {
  return {{x0, y0, z, 1.0f, colour, u0, v0},
          {x1, y0, z, 1.0f, colour, u1, v0},
          {x0, y1, z, 1.0f, colour, u0, v1},
          {x1, y1, z, 1.0f, colour, u1, v1}};
}

std::vector<PretransformedVertex> screenTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                                                 DWORD colour) {
  return {{x0, y0, 0.5f, 1, colour, 0, 0}, {x1, y1, 0.5f, 1, colour, 0, 0}, {x2, y2, 0.5f, 1, colour, 0, 0}};
}

D3DMATRIX scaling(float s) {
  D3DMATRIX m;
  return *mat4Scaling(&m, s, s, s);
}

D3DMATRIX perspectiveLH(float fovy, float aspect, float zn, float zf) {
  D3DMATRIX m;
  return *mat4PerspectiveLH(&m, fovy, aspect, zn, zf);
}

D3DMATRIX lookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up) {
  D3DMATRIX m;
  return *mat4LookAtLH(&m, &eye, &at, &up);
}
