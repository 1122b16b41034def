#include "support/png_compare.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/png_io.h"

namespace {

// 8-bit RGB PNG from 0xAARRGGBB pixels (packed rows).
bool writeRgbPng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height) return false;
  Picture picture{width, height, 3, {}};
  for (const std::uint32_t p : pixels) {
    picture.pixels.insert(picture.pixels.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
  }
  return writePng(path, picture, nullptr);
}

}  // namespace

bool readRgbPng(const std::string& path, std::vector<std::uint32_t>* pixels, int* width, int* height) {
  Picture picture;
  if (!readPng(path, &picture, nullptr) || picture.width > 8192 || picture.height > 8192) return false;
  const int c = picture.channels;  // 1 (grey), 3 or 4
  pixels->clear();
  for (std::size_t i = 0; i < picture.pixels.size(); i += c) {
    const std::uint8_t* p = &picture.pixels[i];
    const std::uint32_t alpha = c == 4 ? p[3] : 0xFF;
    const std::uint32_t green = p[c == 1 ? 0 : 1], blue = p[c == 1 ? 0 : 2];
    pixels->push_back(alpha << 24 | std::uint32_t(p[0]) << 16 | green << 8 | blue);
  }
  *width = picture.width;
  *height = picture.height;
  return true;
}

::testing::AssertionResult matchesGoldenIn(const std::string& goldenDir, const std::string& outputDir,
                                           const std::string& name, const std::vector<std::uint32_t>& pixels,
                                           int width, int height) {
  const std::string goldenPath = goldenDir + "/" + name + ".png";
  const char* update = std::getenv("GLASS_UPDATE_GOLDENS");
  if (update != nullptr && std::string(update) == "1") {
    if (!writeRgbPng(goldenPath, pixels, width, height)) {
      return ::testing::AssertionFailure() << "could not write " << goldenPath;
    }
    return ::testing::AssertionSuccess() << "updated " << goldenPath;
  }
  std::vector<std::uint32_t> golden;
  int goldenWidth = 0, goldenHeight = 0;
  const bool haveGolden = readRgbPng(goldenPath, &golden, &goldenWidth, &goldenHeight);
  const bool sameSize = haveGolden && goldenWidth == width && goldenHeight == height &&
                        pixels.size() == static_cast<std::size_t>(width) * height;
  std::size_t differing = 0, first = 0;
  for (std::size_t i = 0; sameSize && i < pixels.size(); ++i) {
    if (((golden[i] ^ pixels[i]) & 0x00FFFFFFu) != 0 && differing++ == 0) first = i;
  }
  if (sameSize && differing == 0) return ::testing::AssertionSuccess();
  std::filesystem::create_directories(outputDir);
  const std::string actualPath = outputDir + "/" + name + ".png";
  writeRgbPng(actualPath, pixels, width, height);
  auto failure = ::testing::AssertionFailure();
  if (!haveGolden) return failure << "no readable golden " << goldenPath << "; actual frame in " << actualPath;
  if (!sameSize) {
    return failure << "golden " << goldenPath << " is " << goldenWidth << "x" << goldenHeight << ", frame is "
                   << width << "x" << height;
  }
  char text[96];
  std::snprintf(text, sizeof text, "first at (%d, %d): expected %06X, got %06X", static_cast<int>(first % width),
                static_cast<int>(first / width), golden[first] & 0x00FFFFFFu, pixels[first] & 0x00FFFFFFu);
  return failure << differing << " pixels differ from " << goldenPath << ", " << text << "; actual frame in "
                 << actualPath;
}
