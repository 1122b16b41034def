// Canvas, noise and colour helpers for the generated pictures.
#include "content/raster.h"

#include <algorithm>
#include <cmath>

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }

namespace {

std::uint8_t toByte(float v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

Picture Canvas::toColour() const {
  Picture p{width_, height_, 3, {}};
  p.pixels.reserve(pixels_.size() * 3);
  for (const Rgb& c : pixels_) {
    p.pixels.push_back(toByte(c.r));
    p.pixels.push_back(toByte(c.g));
    p.pixels.push_back(toByte(c.b));
  }
  return p;
}

Picture Canvas::toGrey() const {
  Picture p{width_, height_, 1, {}};
  p.pixels.reserve(pixels_.size());
  for (const Rgb& c : pixels_) p.pixels.push_back(toByte(c.r));
  return p;
}

float hash01(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^
                    seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

float tileNoise(float x, float y, int period, std::uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto wrap = [period](int v) { return ((v % period) + period) % period; };
  const float a = hash01(wrap(ix), wrap(iy), seed), b = hash01(wrap(ix + 1), wrap(iy), seed);
  const float c = hash01(wrap(ix), wrap(iy + 1), seed), d = hash01(wrap(ix + 1), wrap(iy + 1), seed);
  const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int period, int octaves, std::uint32_t seed) {
  float sum = 0, weight = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += tileNoise(x, y, period, seed + std::uint32_t(o) * 101u) * weight;
    total += weight;
    x *= 2, y *= 2, period *= 2, weight *= 0.5f;
  }
  return sum / total;
}

float smoothStep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}
