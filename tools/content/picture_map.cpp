#include "content/picture_map.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "common/content_layout.h"
#include "content/content_pictures.h"

#ifdef GLASS_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kThumb = 128;            // still pictures
constexpr int kFrameThumb = 64;        // animation frames
constexpr int kTileWidth = 256;
constexpr int kTileHeight = kThumb + 72;
constexpr int kColumns = 4;
constexpr int kMargin = 12;
constexpr int kTextSize = 12;  // pixels
constexpr std::uint8_t kBackground = 24;

void fill(Picture* p, int x0, int y0, int w, int h, std::uint8_t value) {
  for (int y = std::max(0, y0); y < std::min(p->height, y0 + h); ++y)
    for (int x = std::max(0, x0); x < std::min(p->width, x0 + w); ++x)
      for (int c = 0; c < 3; ++c) p->pixels[(std::size_t(y) * p->width + x) * 3 + c] = value;
}

// A box-filtered thumbnail of `side` pixels at (x0, y0); a non-square
// picture keeps its shape.
void drawThumbnail(Picture* map, const Picture& picture, int x0, int y0, int side) {
  const int longest = std::max(picture.width, picture.height);
  const int w = std::max(1, picture.width * side / longest);
  const int h = std::max(1, picture.height * side / longest);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx0 = x * picture.width / w, sx1 = std::max(sx0 + 1, (x + 1) * picture.width / w);
      const int sy0 = y * picture.height / h, sy1 = std::max(sy0 + 1, (y + 1) * picture.height / h);
      int sum[3] = {0, 0, 0};
      for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
          for (int c = 0; c < 3; ++c) {
            const int channel = picture.channels == 1 ? 0 : c;
            sum[c] += picture.pixels[(std::size_t(sy) * picture.width + sx) * picture.channels + channel];
          }
      const int count = (sx1 - sx0) * (sy1 - sy0);
      for (int c = 0; c < 3; ++c) {
        map->pixels[(std::size_t(y0 + y) * map->width + x0 + x) * 3 + c] = std::uint8_t(sum[c] / count);
      }
    }
}

#ifdef GLASS_HAVE_FREETYPE
class Writer {
 public:
  bool open(std::string* error) {
    if (FT_Init_FreeType(&library_) != 0) {
      *error = "cannot start FreeType";
      return false;
    }
    if (FT_New_Face(library_, kFontPath, 0, &regular_) != 0 || FT_New_Face(library_, kBoldFontPath, 0, &bold_) != 0) {
      *error = std::string("cannot open the fonts ") + kFontPath + " and " + kBoldFontPath + " (fonts-dejavu-core)";
      return false;
    }
    FT_Set_Pixel_Sizes(regular_, 0, kTextSize);
    FT_Set_Pixel_Sizes(bold_, 0, kTextSize);
    return true;
  }
  ~Writer() {
    if (regular_ != nullptr) FT_Done_Face(regular_);
    if (bold_ != nullptr) FT_Done_Face(bold_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  int width(const std::string& text, bool boldFace) {
    FT_Face face = boldFace ? bold_ : regular_;
    int w = 0;
    for (unsigned char c : text) {
      if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) w += int(face->glyph->advance.x >> 6);
    }
    return w;
  }
  // Draws `text` with its baseline at y; returns the pen's end.
  int draw(Picture* map, int x, int y, const std::string& text, bool boldFace) {
    FT_Face face = boldFace ? bold_ : regular_;
    for (unsigned char c : text) {
      if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot g = face->glyph;
      for (unsigned row = 0; row < g->bitmap.rows; ++row)
        for (unsigned col = 0; col < g->bitmap.width; ++col) {
          const int px = x + g->bitmap_left + int(col), py = y - g->bitmap_top + int(row);
          if (px < 0 || py < 0 || px >= map->width || py >= map->height) continue;
          const int cover = g->bitmap.buffer[row * unsigned(g->bitmap.pitch) + col];
          for (int ch = 0; ch < 3; ++ch) {
            std::uint8_t& v = map->pixels[(std::size_t(py) * map->width + px) * 3 + ch];
            v = std::uint8_t(v + (235 - v) * cover / 255);
          }
        }
      x += int(g->advance.x >> 6);
    }
    return x;
  }
  // Words wrapped into `width` pixels, from baseline y down; returns the lines drawn.
  int wrap(Picture* map, int x, int y, int width, const std::string& text, int maxLines) {
    std::string line;
    int lines = 0;
    std::size_t at = 0;
    while (at < text.size() && lines < maxLines) {
      std::size_t end = text.find(' ', at);
      if (end == std::string::npos) end = text.size();
      const std::string word = text.substr(at, end - at);
      const std::string longer = line.empty() ? word : line + " " + word;
      if (!line.empty() && this->width(longer, false) > width) {
        draw(map, x, y + lines * (kTextSize + 3), line, false);
        ++lines;
        line = word;
      } else {
        line = longer;
      }
      at = end + 1;
    }
    if (!line.empty() && lines < maxLines) draw(map, x, y + lines++ * (kTextSize + 3), line, false);
    return lines;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face regular_ = nullptr;
  FT_Face bold_ = nullptr;
};
#endif

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

bool buildPictureMap(Picture* map, std::string* error) {
#ifdef GLASS_HAVE_FREETYPE
  std::map<std::string, std::vector<NamedPicture>> made = {
      {"data/tex.dat", buildTexturePictures(error)},
      {"data/alpha.dat", buildAlphaPictures(error)},
      {"data/paimen1.dat", buildAnimationFrames()},
      {"data/valpha.dat", buildPanelMask()},
  };
  if (!error->empty()) return false;
  Writer writer;
  if (!writer.open(error)) return false;

  std::vector<const StockPicture*> stills, frames;
  for (const StockPicture& p : stockPictures()) (p.container == "data/paimen1.dat" ? frames : stills).push_back(&p);
  const int rows = int(stills.size() + kColumns - 1) / kColumns;
  const int framesPerRow = (kColumns * kTileWidth) / (kFrameThumb + 16);
  const int frameRows = int(frames.size() + framesPerRow - 1) / framesPerRow;
  map->width = kColumns * kTileWidth + 2 * kMargin;
  map->height = 2 * kMargin + 28 + rows * kTileHeight + 40 + frameRows * (kFrameThumb + 22);
  map->channels = 3;
  map->pixels.assign(std::size_t(map->width) * map->height * 3, kBackground);
  writer.draw(map, kMargin, kMargin + 14,
              "GLASS ORCHARD: every picture by container and index (as glass-tool unpack numbers them), its size, "
              "and where it appears",
              true);

  for (std::size_t i = 0; i < stills.size(); ++i) {
    const StockPicture& p = *stills[i];
    const int x = kMargin + int(i % kColumns) * kTileWidth;
    const int y = kMargin + 28 + int(i / kColumns) * kTileHeight;
    const Picture& picture = made.at(p.container)[std::size_t(p.index)].picture;
    fill(map, x + 4, y + 4, kThumb + 4, kThumb + 4, 60);
    drawThumbnail(map, picture, x + 6, y + 6, kThumb);
    const std::string stem = p.container.substr(5, p.container.size() - 9);  // data/NAME.dat
    const int pen = writer.draw(map, x + 6, y + kThumb + 26, stem + ".dat " + twoDigits(p.index), true);
    writer.draw(map, pen + 6, y + kThumb + 26,
                std::to_string(p.width) + " x " + std::to_string(p.height) + (p.grey ? " grey" : " colour"), false);
    writer.wrap(map, x + 6, y + kThumb + 42, kTileWidth - 14, p.role, 2);
  }

  const int bandTop = kMargin + 28 + rows * kTileHeight + 8;
  const int pen = writer.draw(map, kMargin + 6, bandTop + 14, "paimen1.dat 00-" + twoDigits(int(frames.size()) - 1), true);
  writer.draw(map, pen + 6, bandTop + 14,
              std::to_string(frames.front()->width) + " x " + std::to_string(frames.front()->height) +
                  " colour each: the animated picture (7.5 frames a second) on the room's panel, the house's "
                  "screens and added to the sky",
              false);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const int x = kMargin + 6 + int(i % framesPerRow) * (kFrameThumb + 16);
    const int y = bandTop + 26 + int(i / framesPerRow) * (kFrameThumb + 22);
    drawThumbnail(map, made.at("data/paimen1.dat")[i].picture, x, y, kFrameThumb);
    writer.draw(map, x + kFrameThumb / 2 - 7, y + kFrameThumb + 14, twoDigits(int(i)), false);
  }
  return true;
#else
  (void)map;
  *error = "glass-content was built without FreeType: cannot label the picture map";
  return false;
#endif
}
