// One frame of each kind of scene on the software device, with the animated
// picture at 256 x 256 (a textured gradient, decoded and uploaded every
// frame, masked in the room) and no meshes: what a scene costs on top of its
// geometry. Reports time per frame; run on one core.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/timeline.h"
#include "assets/file_loading.h"
#include "codec/colour_table.h"
#include "codec/texture_building.h"
#include "common/picture.h"
#include "encoder/image_encoder.h"
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/clock.h"
#include "render/device.h"
#include "render/screen_quad.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"
#include "support/d3d8_test_device.h"

namespace {

constexpr int kSize = 256;

Picture gradient(int channels, int seed) {
  Picture picture{kSize, kSize, channels, {}};
  picture.pixels.resize(static_cast<std::size_t>(kSize) * kSize * channels);
  std::size_t at = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      for (int c = 0; c < channels; ++c) {
        picture.pixels[at++] = static_cast<std::uint8_t>((x + 2 * y + 60 * c + 30 * seed + ((x ^ y) & 15)) & 0xFF);
      }
    }
  }
  return picture;
}

std::vector<std::uint8_t> container(const std::vector<Picture>& pictures) {
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const Picture& picture : pictures) {
    std::vector<std::uint8_t> block;
    std::string error;
    encodeImage(picture, &block, &error);
    blocks.push_back(std::move(block));
  }
  return packContainer(blocks);
}

class BenchWorld {
 public:
  BenchWorld() {
    resetSoftwareDeviceConfig();
    direct3D_ = Direct3DCreate8(120);
    D3DPRESENT_PARAMETERS p = fullScreenParameters();
    direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
    initImageCodec();
    picture_ = container({gradient(3, 0), gradient(3, 1), gradient(3, 2), gradient(3, 3)});
    mask_ = container({gradient(1, 4)});
    dataFiles[2] = picture_.data();
    dataFiles[3] = mask_.data();
    createStreamingTextures();
    for (IDirect3DTexture8*& slot : textureSlots) {
      device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &slot);
    }
    clock_.install();
    sceneState = SceneState{};
  }
  ~BenchWorld() {
    releaseBuiltTextures();
    releaseScreenQuad();
    dataFiles[2] = dataFiles[3] = nullptr;
    setClockSource({});
    device->Release();
    direct3D_->Release();
    device = nullptr;
  }
  void frame(void (*scene)()) {
    clock_.advance(16);
    frameStep = 0.24f;
    device->BeginScene();
    scene();
    device->EndScene();
  }

 private:
  IDirect3D8* direct3D_ = nullptr;
  VirtualClock clock_;
  std::vector<std::uint8_t> picture_;
  std::vector<std::uint8_t> mask_;
};

void runScene(benchmark::State& state, void (*scene)()) {
  BenchWorld world;
  for (auto _ : state) world.frame(scene);
}

void BM_RoomDarkenFrame(benchmark::State& state) { runScene(state, roomDarkenScene); }
void BM_IslandSlideFrame(benchmark::State& state) { runScene(state, islandSlideScene); }
void BM_HouseFrame(benchmark::State& state) { runScene(state, houseScene); }

BENCHMARK(BM_RoomDarkenFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_IslandSlideFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_HouseFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
