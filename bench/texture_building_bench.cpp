// The per-frame texture work of the animated picture on the software device:
// decode a colour frame into its streaming pair, optionally its mask into
// the alpha bytes, and upload-and-bind; and the one-time build of a still
// texture (two fitted creations, conversion, upload).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "codec/colour_table.h"
#include "codec/texture_building.h"
#include "encoder/image_encoder.h"
#include "platform/d3d8/software_device.h"
#include "render/device.h"
#include "render/screen_quad.h"
#include "support/test_pictures.h"
#include "support/d3d8_test_device.h"

namespace {

// A one-image container, or nothing when the picture cannot be encoded.
std::vector<std::uint8_t> containerOf(int size, int channels) {
  std::vector<std::uint8_t> block;
  std::string error;
  if (!encodeImage(codec_test::makeTestPicture(size, size, channels), &block, &error)) return {};
  return packContainer({block});
}

// A software device in `device` with the streaming pairs made.
class BenchDevice {
 public:
  BenchDevice() {
    initImageCodec();
    resetSoftwareDeviceConfig();
    direct3D_ = Direct3DCreate8(120);
    D3DPRESENT_PARAMETERS parameters = fullScreenParameters();
    direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device);
    createStreamingTextures();
  }
  ~BenchDevice() {
    releaseBuiltTextures();
    releaseScreenQuad();
    if (device != nullptr) device->Release();
    device = nullptr;
    if (direct3D_ != nullptr) direct3D_->Release();
  }

 private:
  IDirect3D8* direct3D_ = nullptr;
};

void BM_StreamingFrame(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const bool withMask = state.range(1) != 0;
  BenchDevice bench;
  const std::vector<std::uint8_t> frames = containerOf(size, 3);
  const std::vector<std::uint8_t> masks = containerOf(size, 1);
  if (frames.empty() || masks.empty()) {
    state.SkipWithError("test pictures could not be encoded");
    return;
  }
  for (auto _ : state) {
    decodeIntoStreamingPair(frames.data(), 0);
    if (withMask) decodeAlphaIntoStreamingPair(masks.data(), 0);
    uploadStreamingPair();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_StreamingFrame)->Args({256, 0})->Args({256, 1})->Args({512, 0})->Unit(benchmark::kMicrosecond);

void BM_BuildStillTexture(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  BenchDevice bench;
  const std::vector<std::uint8_t> images = containerOf(size, 3);
  if (images.empty()) {
    state.SkipWithError("test picture could not be encoded");
    return;
  }
  for (auto _ : state) {
    IDirect3DTexture8* texture = nullptr;
    buildImageTexture(&texture, images.data(), 0);
    if (texture != nullptr) texture->Release();
  }
}
BENCHMARK(BM_BuildStillTexture)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
