// Pixel-level helpers for the generated pictures: a floating-point canvas,
// tileable noise from integer hashes (so every run draws the same bytes),
// colour mixing and conversion to the encoder's Picture.
#pragma once

#include <cstdint>
#include <vector>

#include "common/picture.h"

struct Rgb {
  float r = 0, g = 0, b = 0;
};

Rgb operator+(Rgb a, Rgb b);
Rgb operator*(Rgb a, float s);
Rgb mix(Rgb a, Rgb b, float t);

// A colour (or grey) canvas of floats, nominally 0..1.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb& at(int x, int y) { return pixels_[std::size_t(y) * width_ + x]; }
  const Rgb& at(int x, int y) const { return pixels_[std::size_t(y) * width_ + x]; }

  // Three-channel picture, each channel clamped and rounded to 0..255.
  Picture toColour() const;
  // One-channel picture from the red channel.
  Picture toGrey() const;

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// Value noise, 0..1, smooth, repeating every `period` lattice cells in x and
// y, from `seed`.
float tileNoise(float x, float y, int period, std::uint32_t seed);
// Sum of `octaves` octaves of tileNoise, each at twice the frequency and
// half the weight; 0..1, repeating every `period` cells of the first octave.
float fractalNoise(float x, float y, int period, int octaves, std::uint32_t seed);
// A hash of two integers and a seed, 0..1.
float hash01(int x, int y, std::uint32_t seed);

float smoothStep(float edge0, float edge1, float x);
