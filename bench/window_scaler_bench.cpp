// The live window's CPU scaler (used where the renderer is itself software):
// one rendered frame into the 4:3 picture of a window, per render scale.
// Arguments: the render scale (1: 640 x 480, 2: 1280 x 960), then the
// window's width and height.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/os/picture_scaler.h"
#include "platform/os/window_fit.h"

namespace {

void scaleIntoWindow(benchmark::State& state) {
  const int sourceWidth = 640 * static_cast<int>(state.range(0));
  const int sourceHeight = 480 * static_cast<int>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  const int height = static_cast<int>(state.range(2));
  // Gradients with detail, like a rendered scene.
  std::vector<std::uint32_t> frame(static_cast<std::size_t>(sourceWidth) * sourceHeight);
  for (int y = 0; y < sourceHeight; ++y) {
    for (int x = 0; x < sourceWidth; ++x) {
      const auto r = static_cast<std::uint32_t>(x * 255 / (sourceWidth - 1));
      const auto g = static_cast<std::uint32_t>(y * 255 / (sourceHeight - 1));
      const std::uint32_t b = ((x / 8) ^ (y / 8)) & 1 ? 200 : 40;
      frame[static_cast<std::size_t>(y) * sourceWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  std::vector<std::uint32_t> window(static_cast<std::size_t>(width) * height);
  const PictureRect rect = letterbox(width, height);
  PictureScaler scaler;
  for (auto _ : state) {
    scaler.scale(frame.data(), sourceWidth, sourceHeight, window.data(), width, height, width * 4, rect);
    benchmark::DoNotOptimize(window.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(scaleIntoWindow)
    ->ArgNames({"scale", "w", "h"})
    ->Args({1, 1920, 1080})   // 1440 x 1080 picture, bilinear
    ->Args({2, 1920, 1080})
    ->Args({1, 1280, 960})    // whole multiples: each pixel repeated
    ->Args({2, 1280, 960})
    ->Args({2, 640, 480})     // a larger picture than the window
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
