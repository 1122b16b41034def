// Reference frames of the software device: a lit, textured mesh of 5,000
// triangles that fills the screen, then three full-screen blended quads
// (additive, alpha, reverse-subtract), as the scenes draw them.
// Reports time per 640 x 480 frame, drawn by one thread (the halves and
// referenceFrame/1) or two (referenceFrame/2, wall-clock time, with the
// processor time of both threads beside it).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/software_device.h"
#include "support/d3d8_test_device.h"

namespace {

struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};
struct ScreenVertex {
  float x, y, z, rhw;
  DWORD colour;
  float u, v;
};

D3DMATRIX identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

class ReferenceScene {
 public:
  explicit ReferenceScene(int threads = 1) {
    resetSoftwareDeviceConfig();
    setRenderThreads(threads);
    direct3D_ = Direct3DCreate8(120);
    D3DPRESENT_PARAMETERS p = fullScreenParameters();
    direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_);
    // Linear filtering on stage 0, as the presentation sets it at start-up.
    device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    buildMesh();
    buildQuad();
    meshTexture_ = makeTexture(256, 256, [](UINT x, UINT y) {
      return 0xFF000000u | ((x * 7 + y) & 255) << 16 | ((x ^ y) & 255) << 8 | ((x * y) >> 8 & 255);
    });
    overlayTexture_ = makeTexture(512, 512, [](UINT x, UINT y) {
      return ((x + y) / 4 & 255) << 24 | (x / 2 & 255) << 16 | (y / 2 & 255) << 8 | 0x80;
    });
  }
  ~ReferenceScene() {
    for (IUnknown* object : owned_) object->Release();
    device_->Release();
    direct3D_->Release();
  }

  bool ok() const { return device_ != nullptr; }

  void frame(bool mesh = true, bool overlays = true) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00, 1.0f, 0);
    device_->BeginScene();
    if (mesh) drawMesh();
    if (overlays) {
      drawOverlay(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x30303030);
      drawOverlay(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xFFFFFFFF);
      drawOverlay(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0x20202020);
      device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    }
    device_->EndScene();
    device_->Present(nullptr, nullptr, nullptr, nullptr);
  }

 private:
  template <typename Fill>
  IDirect3DTexture8* makeTexture(UINT width, UINT height, Fill fill) {
    IDirect3DTexture8* system = nullptr;
    IDirect3DTexture8* texture = nullptr;
    device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system);
    device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture);
    D3DLOCKED_RECT locked{};
    system->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < width; ++x) row[x] = fill(x, y);
    }
    system->UnlockRect(0);
    device_->UpdateTexture(system, texture);
    system->Release();
    owned_.push_back(texture);
    return texture;
  }

  // A 50 x 50 grid (5,000 triangles), gently curved, filling the view.
  void buildMesh() {
    constexpr int kCells = 50;
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> indices;
    for (int j = 0; j <= kCells; ++j) {
      for (int i = 0; i <= kCells; ++i) {
        const float x = -3.0f + 6.0f * static_cast<float>(i) / kCells;
        const float y = -2.25f + 4.5f * static_cast<float>(j) / kCells;
        const float z = 0.3f * std::sin(x * 1.3f) * std::cos(y * 1.1f);
        vertices.push_back({x, y, z, 0.3f * std::cos(x), 0.2f * std::sin(y), -1.0f,
                            static_cast<float>(i) / 10.0f, static_cast<float>(j) / 10.0f});
      }
    }
    for (int j = 0; j < kCells; ++j) {
      for (int i = 0; i < kCells; ++i) {
        const auto a = static_cast<std::uint16_t>(j * (kCells + 1) + i);
        const auto b = static_cast<std::uint16_t>(a + kCells + 1);
        // Counter-clockwise on screen: kept under D3DCULL_CW like the scenes' meshes.
        indices.insert(indices.end(), {a, static_cast<std::uint16_t>(a + 1), b});
        indices.insert(indices.end(), {static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(b + 1), b});
      }
    }
    vertexCount_ = static_cast<UINT>(vertices.size());
    triangleCount_ = static_cast<UINT>(indices.size() / 3);
    device_->CreateVertexBuffer(vertexCount_ * 32, D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_DEFAULT, &meshVertices_);
    device_->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                               D3DPOOL_DEFAULT, &meshIndices_);
    BYTE* data = nullptr;
    meshVertices_->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(MeshVertex));
    meshVertices_->Unlock();
    meshIndices_->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * 2);
    meshIndices_->Unlock();
    owned_.push_back(meshVertices_);
    owned_.push_back(meshIndices_);
  }

  void buildQuad() {
    device_->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_DEFAULT, &quad_);
    owned_.push_back(quad_);
  }

  void drawMesh() {
    D3DMATRIX projection{};
    const float h = 1.0f / std::tan(3.14159265f / 8);
    projection._11 = h / (4.0f / 3.0f);
    projection._22 = h;
    projection._33 = 100.0f / 99.9f;
    projection._34 = 1.0f;
    projection._43 = -0.1f * 100.0f / 99.9f;
    D3DMATRIX view = identity();
    view._43 = 4.5f;
    const D3DMATRIX world = identity();
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    device_->SetTransform(D3DTS_VIEW, &view);
    device_->SetTransform(D3DTS_WORLD, &world);
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_AMBIENT, 0x00404040);
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    D3DMATERIAL8 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {0.6f, 0.6f, 0.6f, 1};
    device_->SetMaterial(&material);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
    light.Direction = {0.4f, -0.3f, 0.8f};
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    device_->SetTexture(0, meshTexture_);
    device_->SetVertexShader(0x112);
    device_->SetIndices(meshIndices_, 0);
    device_->SetStreamSource(0, meshVertices_, 32);
    device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount_, 0, triangleCount_);
  }

  void drawOverlay(DWORD source, DWORD destination, DWORD op, DWORD colour) {
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, source);
    device_->SetRenderState(D3DRS_DESTBLEND, destination);
    device_->SetRenderState(D3DRS_BLENDOP, op);
    device_->SetTexture(0, overlayTexture_);
    const float z = 0.999999f;
    const ScreenVertex vertices[4] = {{0, 0, z, 1, colour, 0, 0},
                                      {640, 0, z, 1, colour, 0.99f, 0},
                                      {0, 480, z, 1, colour, 0, 0.99f},
                                      {640, 480, z, 1, colour, 0.99f, 0.99f}};
    BYTE* data = nullptr;
    quad_->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices, sizeof vertices);
    quad_->Unlock();
    device_->SetStreamSource(0, quad_, sizeof(ScreenVertex));
    device_->SetVertexShader(0x144);
    device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }

  IDirect3D8* direct3D_ = nullptr;
  IDirect3DDevice8* device_ = nullptr;
  IDirect3DVertexBuffer8* meshVertices_ = nullptr;
  IDirect3DIndexBuffer8* meshIndices_ = nullptr;
  IDirect3DVertexBuffer8* quad_ = nullptr;
  IDirect3DTexture8* meshTexture_ = nullptr;
  IDirect3DTexture8* overlayTexture_ = nullptr;
  UINT vertexCount_ = 0;
  UINT triangleCount_ = 0;
  std::vector<IUnknown*> owned_;
};

void referenceFrame(benchmark::State& state) {
  ReferenceScene scene(static_cast<int>(state.range(0)));
  if (!scene.ok()) {
    state.SkipWithError("no device");
    return;
  }
  for (auto _ : state) scene.frame();
  state.SetLabel("lit textured 5,000-triangle mesh + 3 blended full-screen quads");
}
BENCHMARK(referenceFrame)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The two halves of the reference frame, each with its clear and present.
void meshOnly(benchmark::State& state) {
  ReferenceScene scene;
  for (auto _ : state) scene.frame(true, false);
}
BENCHMARK(meshOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5)->ReportAggregatesOnly(true);

void overlaysOnly(benchmark::State& state) {
  ReferenceScene scene;
  for (auto _ : state) scene.frame(false, true);
}
BENCHMARK(overlaysOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
