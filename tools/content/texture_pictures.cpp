// The still textures: surfaces of the sets and the full-screen overlays.
#include <algorithm>
#include <cmath>

#include "content/content_pictures.h"
#include "content/raster.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kSize = 256;

// Objects in the room: pale glass with drifting milky veins. The room lights
// its sculptures dimly, so the texture is kept bright.
Picture roomGlass() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = float(x) / kSize, v = float(y) / kSize;
      const float warp = fractalNoise(u * 4, v * 4, 4, 4, 11);
      const float vein = 0.5f + 0.5f * std::sin((u + v) * 2 * kPi * 3 + warp * 9.0f);
      const float glint = std::pow(vein, 8.0f);
      const Rgb base = mix({0.62f, 0.78f, 0.86f}, {0.86f, 0.93f, 0.98f}, warp);
      c.at(x, y) = mix(base, {1, 1, 1}, glint * 0.8f) * (0.85f + 0.15f * vein);
    }
  return c.toColour();
}

// Walls of the room and of the house: warm dressed stone, two courses of
// blocks per tile with soft mortar joints.
Picture stoneWall() {
  Canvas c(kSize, kSize);
  const int course = kSize / 4, block = kSize / 2;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const int row = y / course;
      const int shifted = (x + (row % 2) * block / 2) % kSize;
      const int bx = shifted / block;
      const float jx = float(std::min(shifted % block, block - 1 - shifted % block));
      const float jy = float(std::min(y % course, course - 1 - y % course));
      const float joint = smoothStep(0.0f, 4.0f, std::min(jx, jy));
      const float grain = fractalNoise(float(x) / 32, float(y) / 32, kSize / 32, 4, 23);
      const float tone = 0.85f + 0.15f * hash01(bx, row, 7);
      const Rgb stone = mix({0.78f, 0.68f, 0.55f}, {0.96f, 0.88f, 0.74f}, grain) * tone;
      c.at(x, y) = mix({0.35f, 0.3f, 0.26f}, stone, 0.25f + 0.75f * joint);
    }
  return c.toColour();
}

// Shimmering water light: dark teal with a bright web of caustics. It glows
// over the room and dresses the island and the water.
Picture caustics() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = float(x) / kSize, v = float(y) / kSize;
      const float n1 = fractalNoise(u * 6, v * 6, 6, 3, 31);
      const float n2 = fractalNoise(u * 6 + 3.7f, v * 6 + 1.3f, 6, 3, 37);
      const float ridge = 1.0f - std::fabs(n1 - n2) * 6.0f;
      const float web = std::pow(std::max(ridge, 0.0f), 3.0f);
      const float moss = fractalNoise(u * 2, v * 2, 2, 3, 41);
      const Rgb base = mix({0.04f, 0.16f, 0.2f}, {0.1f, 0.24f, 0.14f}, moss);
      c.at(x, y) = base + Rgb{0.28f, 0.62f, 0.58f} * web;
    }
  return c.toColour();
}

// The sky: deep blue at the top row (the zenith), warm at the bottom (the
// horizon), with soft clouds that repeat round the dome.
Picture sky() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = float(x) / kSize, v = float(y) / kSize;
      Rgb colour = v < 0.6f ? mix({0.04f, 0.05f, 0.2f}, {0.2f, 0.34f, 0.66f}, v / 0.6f)
                            : mix({0.2f, 0.34f, 0.66f}, {0.98f, 0.68f, 0.48f}, (v - 0.6f) / 0.4f);
      const float cloud = smoothStep(0.5f, 0.8f, fractalNoise(u * 4, v * 8, 4, 5, 53));
      colour = mix(colour, {0.95f, 0.85f, 0.9f}, cloud * (0.25f + 0.5f * v));
      c.at(x, y) = colour;
    }
  return c.toColour();
}

// Objects on the island: iridescent glass, its hue sliding in bands.
Picture islandGlass() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = float(x) / kSize, v = float(y) / kSize;
      const float warp = fractalNoise(u * 3, v * 3, 3, 4, 61);
      const float phase = (v * 2 + warp * 1.5f) * 2 * kPi;
      // Pale glass with a soft sheen of colour; the island lights its
      // sculptures fully, so the texture itself carries the shading.
      const Rgb hue{0.72f + 0.12f * std::sin(phase), 0.78f + 0.1f * std::sin(phase + 2.1f),
                    0.88f + 0.1f * std::sin(phase + 4.2f)};
      const float shade = 0.7f + 0.3f * fractalNoise(u * 2, v * 2, 2, 2, 67);
      const float glint = std::pow(0.5f + 0.5f * std::sin((u * 5 + warp * 2) * 2 * kPi), 12.0f);
      c.at(x, y) = mix(hue * shade, {1, 1, 1}, glint * 0.6f);
    }
  return c.toColour();
}

// The darkening overlay: pure white, so that subtracting it at full
// strength takes every pixel to black.
Picture darkening() {
  Canvas c(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) c.at(x, y) = {1, 1, 1};
  return c.toColour();
}

// The chamfered boxes: pale lacquered wood with a flowing grain and brass
// edges; the house is dimly lit, so the wood is light.
Picture lacqueredWood() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = float(x) / kSize, v = float(y) / kSize;
      const float warp = fractalNoise(u * 2, v * 8, 2, 4, 71);
      const float ring = 0.5f + 0.5f * std::sin((u * 10 + warp * 3) * 2 * kPi);
      const Rgb wood = mix({0.62f, 0.4f, 0.2f}, {0.9f, 0.68f, 0.4f}, ring);  // honey maple
      const float edge = smoothStep(0.0f, 0.04f, std::min(std::min(u, 1 - u), std::min(v, 1 - v)));
      c.at(x, y) = mix({0.85f, 0.7f, 0.35f}, wood, edge);  // brass edging
    }
  return c.toColour();
}

// Unused slots, still real pictures: leaves, a tiled floor, a soft pattern.
Picture leaves() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float n = fractalNoise(float(x) / 16, float(y) / 16, kSize / 16, 4, 81);
      c.at(x, y) = mix({0.1f, 0.25f, 0.08f}, {0.55f, 0.75f, 0.3f}, smoothStep(0.35f, 0.7f, n));
    }
  return c.toColour();
}

Picture tiles() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const bool dark = ((x / 32) + (y / 32)) % 2 == 1;
      const float n = fractalNoise(float(x) / 32, float(y) / 32, kSize / 32, 3, 91);
      c.at(x, y) = (dark ? Rgb{0.2f, 0.22f, 0.3f} : Rgb{0.85f, 0.83f, 0.78f}) * (0.85f + 0.15f * n);
    }
  return c.toColour();
}

Picture ripples() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float dx = float(x - kSize / 2), dy = float(y - kSize / 2);
      const float r = std::sqrt(dx * dx + dy * dy) / kSize;
      const float wave = 0.5f + 0.5f * std::cos(r * 40.0f);
      c.at(x, y) = mix({0.3f, 0.1f, 0.35f}, {0.95f, 0.7f, 0.85f}, wave * (1 - r));
    }
  return c.toColour();
}

// A soft round spot, bright in the middle.
Picture softSpot() {
  Canvas c(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float dx = float(x) + 0.5f - kSize / 2.0f, dy = float(y) + 0.5f - kSize / 2.0f;
      const float r = std::sqrt(dx * dx + dy * dy) / (kSize / 2.0f);
      const float g = 1.0f - smoothStep(0.2f, 1.0f, r);
      c.at(x, y) = {g, g, g};
    }
  return c.toGrey();
}

}  // namespace

std::vector<NamedPicture> buildTexturePictures(std::string* error) {
  Picture titleColour, titleAlpha;
  if (!buildTitleCard(&titleColour, &titleAlpha, error)) return {};
  return {
      {"room-glass", roomGlass()},       {"leaves", leaves()},
      {"stone-wall", stoneWall()},       {"caustics", caustics()},
      {"sky", sky()},                    {"island-glass", islandGlass()},
      {"darkening", darkening()},        {"title-colour", titleColour},
      {"tiles", tiles()},                {"lacquered-wood", lacqueredWood()},
      {"ripples", ripples()},
  };
}

std::vector<NamedPicture> buildAlphaPictures(std::string* error) {
  Picture titleColour, titleAlpha;
  if (!buildTitleCard(&titleColour, &titleAlpha, error)) return {};
  return {{"soft-spot", softSpot()}, {"title-alpha", titleAlpha}};
}
