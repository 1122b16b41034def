// The title card: "GLASS ORCHARD" on a frosted band, with its own alpha.
// The card is stretched over the 640 x 480 screen, so the letters are drawn
// three quarters as wide as they are tall to come out in proportion.
#include <algorithm>
#include <cmath>

#include "content/content_pictures.h"
#include "content/raster.h"

#ifdef GLASS_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace {

constexpr const char* kTitle = "GLASS ORCHARD";
constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kLetterHeight = 54;  // pixels
constexpr int kBandTop = 190, kBandBottom = 322;

// Draws the title as coverage (0..1) into `mask`, centred on the band.
bool drawTitle(std::vector<float>* mask, int size, std::string* error) {
#ifdef GLASS_HAVE_FREETYPE
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    *error = "cannot start FreeType";
    return false;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(library, kFontPath, 0, &face) != 0) {
    FT_Done_FreeType(library);
    *error = std::string("cannot open the font ") + kFontPath + " (package fonts-dejavu-core)";
    return false;
  }
  // 54 dpi across and 72 dpi down: letters 3/4 as wide, 1 point = 1 pixel.
  FT_Set_Char_Size(face, 0, kLetterHeight * 64, 54, 72);
  int penWidth = 0;
  for (const char* c = kTitle; *c; ++c) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(*c), FT_LOAD_DEFAULT) == 0)
      penWidth += int(face->glyph->advance.x >> 6) + 3;  // a little tracking
  }
  int pen = (size - penWidth) / 2;
  const int baseline = (kBandTop + kBandBottom) / 2 + kLetterHeight * 36 / 100;
  for (const char* c = kTitle; *c; ++c) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(*c), FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bitmap = g->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row)
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int x = pen + g->bitmap_left + int(col);
        const int y = baseline - g->bitmap_top + int(row);
        if (x < 0 || y < 0 || x >= size || y >= size) continue;
        const float v = float(bitmap.buffer[row * unsigned(bitmap.pitch) + col]) / 255.0f;
        float& m = (*mask)[std::size_t(y) * size + x];
        m = std::max(m, v);
      }
    pen += int(g->advance.x >> 6) + 3;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
#else
  (void)mask;
  (void)size;
  *error = "glass-content was built without FreeType: cannot draw the title";
  return false;
#endif
}

// Box blur, applied three times: a soft glow from the letters.
std::vector<float> blur(const std::vector<float>& in, int size, int radius) {
  std::vector<float> a = in, b(in.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += a[std::size_t(y) * size + std::clamp(x + k, 0, size - 1)];
        b[std::size_t(y) * size + x] = sum / float(2 * radius + 1);
      }
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += b[std::size_t(std::clamp(y + k, 0, size - 1)) * size + x];
        a[std::size_t(y) * size + x] = sum / float(2 * radius + 1);
      }
  }
  return a;
}

}  // namespace

bool buildTitleCard(Picture* colour, Picture* alpha, std::string* error) {
  const int size = kTitleCardSize;
  std::vector<float> letters(std::size_t(size) * size, 0.0f);
  if (!drawTitle(&letters, size, error)) return false;
  const std::vector<float> glow = blur(letters, size, 5);

  Canvas card(size, size), coverage(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float u = float(x) / size, v = float(y) / size;
      // The frosted band across the middle, with soft top and bottom edges.
      const float band = smoothStep(float(kBandTop) - 24, float(kBandTop), float(y)) *
                         (1 - smoothStep(float(kBandBottom), float(kBandBottom) + 24, float(y)));
      const float frost = fractalNoise(u * 16, v * 16, 16, 3, 101);
      Rgb c = mix({0.08f, 0.1f, 0.3f}, {0.3f, 0.14f, 0.42f}, u) * (0.8f + 0.3f * frost);
      // Fine rules along the band's edges.
      const float rule = std::max(std::exp(-std::pow((float(y) - kBandTop - 8) / 1.5f, 2.0f)),
                                  std::exp(-std::pow((float(y) - kBandBottom + 8) / 1.5f, 2.0f))) *
                         smoothStep(0.1f, 0.25f, u) * (1 - smoothStep(0.75f, 0.9f, u));
      const std::size_t i = std::size_t(y) * size + x;
      const float g = std::min(1.0f, glow[i] * 2.2f);
      c = mix(c, {0.55f, 0.85f, 1.0f}, g * 0.8f);
      c = mix(c, {0.9f, 0.95f, 1.0f}, rule);
      c = mix(c, {1.0f, 0.96f, 0.86f}, letters[i]);
      card.at(x, y) = c;
      const float a = std::max({band * 0.72f, g * 0.9f, rule, letters[i]});
      coverage.at(x, y) = {a, a, a};
    }
  *colour = card.toColour();
  *alpha = coverage.toGrey();
  return true;
}
