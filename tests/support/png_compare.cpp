#include "support/png_compare.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// 8-bit RGB PNG from 0xAARRGGBB pixels (packed rows).
bool writeRgbPng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height) return false;
  std::vector<png_byte> bgr(pixels.size() * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) std::memcpy(&bgr[3 * i], &pixels[i], 3);  // B, G, R in memory
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGR;
  return png_image_write_to_file(&image, path.c_str(), 0, bgr.data(), 0, nullptr) != 0;
}

}  // namespace

bool readRgbPng(const std::string& path, std::vector<std::uint32_t>* pixels, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
  if (image.width == 0 || image.height == 0 || image.width > 8192 || image.height > 8192) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB on a little-endian machine
  pixels->assign(static_cast<std::size_t>(image.width) * image.height, 0);
  if (png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) == 0) return false;
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
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
