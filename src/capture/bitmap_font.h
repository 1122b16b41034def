// A tiny built-in 5 x 7 pixel font for the labels and the legend of contact
// sheets: digits, capital letters, the seconds mark 's', ": . # - , ( ) = /"
// and the blank. Other characters are drawn as blanks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A 32-bit picture in the device's layout (0xAARRGGBB per pixel, so bytes
// B, G, R, A in memory on this little-endian machine), rows packed.
struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  Canvas() = default;
  Canvas(int w, int h, std::uint32_t fill) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = kGlyphWidth + 1;

// Width in pixels of `text` drawn at `scale` (no trailing gap).
int textWidth(const std::string& text, int scale);

// Draws `text` with its top-left corner at (x, y), each font pixel a
// scale x scale square of `colour`. Pixels outside the canvas are skipped.
void drawText(Canvas& canvas, int x, int y, const std::string& text, std::uint32_t colour, int scale = 1);
