// Glyphs are 7 rows of 5 bits each, bit 4 the leftmost pixel.
#include "capture/bitmap_font.h"

#include <array>

namespace {

struct Glyph {
  char character;
  std::array<std::uint8_t, kGlyphHeight> rows;
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
};

const Glyph* findGlyph(char character) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == character) return &glyph;
  }
  return nullptr;
}

void fillSquare(Canvas& canvas, int x, int y, int size, std::uint32_t colour) {
  for (int dy = 0; dy < size; ++dy) {
    const int py = y + dy;
    if (py < 0 || py >= canvas.height) continue;
    for (int dx = 0; dx < size; ++dx) {
      const int px = x + dx;
      if (px < 0 || px >= canvas.width) continue;
      canvas.pixels[static_cast<std::size_t>(py) * canvas.width + px] = colour;
    }
  }
}

}  // namespace

int textWidth(const std::string& text, int scale) {
  if (text.empty() || scale <= 0) return 0;
  return (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void drawText(Canvas& canvas, int x, int y, const std::string& text, std::uint32_t colour, int scale) {
  if (scale <= 0) return;
  int penX = x;
  for (char character : text) {
    if (const Glyph* glyph = findGlyph(character)) {
      for (int row = 0; row < kGlyphHeight; ++row) {
        for (int column = 0; column < kGlyphWidth; ++column) {
          if (glyph->rows[row] & (0x10 >> column)) fillSquare(canvas, penX + column * scale, y + row * scale, scale, colour);
        }
      }
    }
    penX += kGlyphAdvance * scale;
  }
}
