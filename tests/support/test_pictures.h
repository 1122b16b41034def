// Deterministic test pictures for the codec tests and benchmarks: smooth
// gradients, two hard-edged discs and a fine grain, so every part of the
// encoder has work to do.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/picture.h"

namespace codec_test {

// `grain` is the amplitude of the per-pixel noise (0 for a smooth picture).
inline Picture makeTestPicture(int width, int height, int channels, unsigned seed = 1, int grain = 8) {
  Picture p;
  p.width = width;
  p.height = height;
  p.channels = channels;
  p.pixels.resize(static_cast<std::size_t>(width) * height * channels);
  unsigned noise = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int noiseValue = grain == 0 ? 0 : static_cast<int>((noise >> 16) % (2 * grain)) - grain;
      const double u = double(x) / width, v = double(y) / height;
      const bool disc = std::hypot(u - 0.35, v - 0.4) < 0.18 || std::hypot(u - 0.7, v - 0.7) < 0.12;
      double rgb[3] = {255 * u, 255 * v, 128 + 100 * std::sin(6.0 * u + 4.0 * v)};
      if (disc) rgb[0] = 240, rgb[1] = 230 * (1 - u), rgb[2] = 40;
      for (int c = 0; c < channels; ++c) {
        const double value = channels == 1 ? 0.5 * (rgb[0] + rgb[1]) : (c < 3 ? rgb[c] : 128.0 + 100 * u);
        p.pixels[(static_cast<std::size_t>(y) * width + x) * channels + c] =
            static_cast<std::uint8_t>(std::clamp(value + noiseValue, 0.0, 255.0));
      }
    }
  }
  return p;
}

}  // namespace codec_test
