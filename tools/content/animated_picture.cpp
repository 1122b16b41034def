// The animated picture: a blossom of light turning on black, and the soft
// mask that frames it on the room's panel. The frames loop seamlessly: every
// motion completes a whole number of its own periods over the loop.
#include <algorithm>
#include <cmath>
#include <string>

#include "content/content_pictures.h"
#include "content/raster.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kPetals = 6;
constexpr int kSparks = 14;

Picture blossomFrame(int frame) {
  const int size = kAnimationSize;
  const float t = float(frame) / float(kAnimationFrames);  // 0..1 over the loop
  const float breath = 0.5f - 0.5f * std::cos(2 * kPi * t);
  // Each layer turns by one petal per loop, so the last frame meets the first.
  const float turnA = 2 * kPi * t / kPetals;
  const float turnB = -2 * kPi * t / kPetals + kPi / kPetals;
  Canvas c(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float px = (float(x) + 0.5f) / size * 2 - 1, py = (float(y) + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(px * px + py * py);
      const float a = std::atan2(py, px);
      const float outer = 0.55f + 0.1f * breath;
      const float petalA = outer * (0.55f + 0.45f * std::pow(std::fabs(std::cos(kPetals * 0.5f * (a - turnA))), 1.5f));
      const float petalB = 0.6f * outer * (0.5f + 0.5f * std::pow(std::fabs(std::cos(kPetals * 0.5f * (a - turnB))), 2.0f));
      const float rimA = std::exp(-std::pow((r - petalA) / 0.035f, 2.0f));
      const float fillA = r < petalA ? 0.25f * (r / petalA) : 0.0f;
      const float rimB = std::exp(-std::pow((r - petalB) / 0.03f, 2.0f));
      const float core = std::exp(-std::pow(r / (0.1f + 0.04f * breath), 2.0f));
      const float halo = 0.25f * std::exp(-r * 3.0f);
      Rgb colour = Rgb{0.95f, 0.5f, 0.9f} * (rimA + fillA) + Rgb{0.4f, 0.9f, 1.0f} * rimB +
                   Rgb{1.0f, 0.9f, 0.6f} * (core * 1.2f) + Rgb{0.3f, 0.35f, 0.8f} * halo;
      c.at(x, y) = colour;
    }
  // Sparks circling the blossom, each completing whole turns over the loop.
  for (int s = 0; s < kSparks; ++s) {
    const float radius = 0.62f + 0.25f * hash01(s, 1, 5);
    const float turns = float(1 + s % 3) * (s % 2 == 0 ? 1.0f : -1.0f);
    const float angle = 2 * kPi * (hash01(s, 2, 5) + turns * t);
    const float sx = radius * std::cos(angle), sy = radius * std::sin(angle);
    const float twinkle = 0.6f + 0.4f * std::cos(2 * kPi * (t * float(1 + s % 2) + hash01(s, 3, 5)));
    const int cx = int((sx + 1) * 0.5f * size), cy = int((sy + 1) * 0.5f * size);
    for (int y = std::max(0, cy - 8); y < std::min(size, cy + 9); ++y)
      for (int x = std::max(0, cx - 8); x < std::min(size, cx + 9); ++x) {
        const float dx = float(x - cx), dy = float(y - cy);
        const float glow = twinkle * std::exp(-(dx * dx + dy * dy) / 6.0f);
        c.at(x, y) = c.at(x, y) + Rgb{0.9f, 0.95f, 1.0f} * glow;
      }
  }
  return c.toColour();
}

}  // namespace

std::vector<NamedPicture> buildAnimationFrames() {
  std::vector<NamedPicture> frames;
  for (int f = 0; f < kAnimationFrames; ++f)
    frames.push_back({"blossom-frame", blossomFrame(f)});
  return frames;
}

std::vector<NamedPicture> buildPanelMask() {
  // Opaque in the middle, fading over the outer eighth to a clear border.
  const int size = kAnimationSize;
  Canvas c(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float edge = float(std::min(std::min(x, size - 1 - x), std::min(y, size - 1 - y)));
      const float v = smoothStep(2.0f, size / 8.0f, edge);
      c.at(x, y) = {v, v, v};
    }
  return {{"panel-mask", c.toGrey()}};
}
