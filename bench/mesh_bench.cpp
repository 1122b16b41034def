// Start-up cost of the meshes: the soundness check every loaded mesh file
// gets, and building one into its vertex and index buffers, for a grid mesh
// at the 16-bit index limit (65,536 vertices, 130,050 triangles).
#include <benchmark/benchmark.h>

#include "assets/mesh_file.h"
#include "assets/mesh_table.h"
#include "common/mesh_writer.h"
#include "platform/d3d8/software_device.h"
#include "render/device.h"

namespace {

std::vector<std::uint8_t> gridMeshFile() {
  constexpr int kSide = 256;
  MeshData mesh;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      mesh.positions.insert(mesh.positions.end(), {float(x), float(y), 0.0f});
      mesh.normals.insert(mesh.normals.end(), {0.0f, 0.0f, -1.0f});
      mesh.texcoords.insert(mesh.texcoords.end(), {x / 255.0f, y / 255.0f});
    }
  }
  for (int y = 0; y + 1 < kSide; ++y) {
    for (int x = 0; x + 1 < kSide; ++x) {
      const auto corner = std::uint16_t(y * kSide + x);
      mesh.indices.insert(mesh.indices.end(),
                          {corner, std::uint16_t(corner + kSide), std::uint16_t(corner + 1),
                           std::uint16_t(corner + 1), std::uint16_t(corner + kSide),
                           std::uint16_t(corner + kSide + 1)});
    }
  }
  return encodeMeshFile(mesh);
}

void BM_CheckMeshFile(benchmark::State& state) {
  const std::vector<std::uint8_t> file = gridMeshFile();
  for (auto _ : state) benchmark::DoNotOptimize(checkMeshFile(file.data(), file.size(), nullptr));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}
BENCHMARK(BM_CheckMeshFile)->Unit(benchmark::kMicrosecond);

void BM_BuildMesh(benchmark::State& state) {
  const std::vector<std::uint8_t> file = gridMeshFile();
  IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 640;
  parameters.BackBufferHeight = 480;
  parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D16;
  IDirect3DDevice8* softwareDevice = nullptr;
  if (direct3D == nullptr ||
      FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &softwareDevice))) {
    state.SkipWithError("no software device");
    return;
  }
  device = softwareDevice;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        buildMesh(file.data(), file.size(), 0, 1, 1, 1, 0.5f, 0.5f, 0.5f, 1, -1));
  }
  releaseMeshTable();
  device = nullptr;
  softwareDevice->Release();
  direct3D->Release();
}
BENCHMARK(BM_BuildMesh)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
