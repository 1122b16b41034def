// Costs of the capture path per 640 x 480 frame: PNG encoding (a folder
// capture), the contact sheet's thumbnail, and the WAV write of one frame's
// sound at 60 fps.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "capture/contact_sheet.h"
#include "capture/png_writer.h"
#include "capture/wav_writer.h"

namespace {

// A frame with smooth gradients and some detail, like a rendered scene.
std::vector<std::uint32_t> sampleFrame() {
  std::vector<std::uint32_t> pixels(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / 639);
      const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / 479);
      const std::uint32_t b = static_cast<std::uint32_t>(((x / 8) ^ (y / 8)) & 1 ? 200 : 40);
      pixels[static_cast<std::size_t>(y) * 640 + x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return pixels;
}

void encodeFramePng(benchmark::State& state) {
  const std::vector<std::uint32_t> pixels = sampleFrame();
  const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), 640, 480, 640 * 4};
  std::vector<std::uint8_t> encoded;
  for (auto _ : state) {
    encodePng(view, encoded);
    benchmark::DoNotOptimize(encoded.data());
  }
  state.counters["bytes"] = static_cast<double>(encoded.size());
}
BENCHMARK(encodeFramePng)->Unit(benchmark::kMillisecond);

void thumbnailForSheet(benchmark::State& state) {
  const std::vector<std::uint32_t> pixels = sampleFrame();
  const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), 640, 480, 640 * 4};
  for (auto _ : state) {
    Canvas thumbnail = scaleDown(view, 160, 120);
    benchmark::DoNotOptimize(thumbnail.pixels.data());
  }
}
BENCHMARK(thumbnailForSheet)->Unit(benchmark::kMicrosecond);

void appendFrameSound(benchmark::State& state) {
  std::vector<std::int16_t> samples(735 * 2, 1234);
  WavWriter writer;
  writer.open("/dev/null");
  for (auto _ : state) writer.append(samples.data(), 735);
  writer.finish();
}
BENCHMARK(appendFrameSound)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
