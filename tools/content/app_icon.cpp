#include "content/app_icon.h"

#include "content/content_pictures.h"

bool buildAppIcon(int size, Picture* icon, std::string* error) {
  if (size < 1 || size > kTitleCardSize) {
    *error = "icon size " + std::to_string(size) + " is not between 1 and " + std::to_string(kTitleCardSize);
    return false;
  }
  Picture colour, alpha;
  if (!buildTitleCard(&colour, &alpha, error)) return false;
  icon->width = size;
  icon->height = size;
  icon->channels = 4;
  icon->pixels.assign(std::size_t(size) * size * 4, 0);
  for (int y = 0; y < size; ++y) {
    const int y0 = y * colour.height / size, y1 = (y + 1) * colour.height / size;
    for (int x = 0; x < size; ++x) {
      const int x0 = x * colour.width / size, x1 = (x + 1) * colour.width / size;
      // Colour weighted by alpha, so transparent texels add no colour.
      std::uint64_t sum[3] = {0, 0, 0}, alphaSum = 0;
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
          const std::size_t at = std::size_t(sy) * colour.width + sx;
          const std::uint32_t a = alpha.pixels[at];
          for (int c = 0; c < 3; ++c) sum[c] += std::uint64_t(colour.pixels[at * 3 + c]) * a;
          alphaSum += a;
        }
      }
      const std::uint64_t count = std::uint64_t(y1 - y0) * (x1 - x0);
      std::uint8_t* out = &icon->pixels[(std::size_t(y) * size + x) * 4];
      for (int c = 0; c < 3; ++c) out[c] = alphaSum == 0 ? 0 : std::uint8_t((sum[c] + alphaSum / 2) / alphaSum);
      out[3] = std::uint8_t((alphaSum + count / 2) / count);
    }
  }
  return true;
}
