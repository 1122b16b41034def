#include "support/png_compare.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

bool updateRequested() {
  const char* value = std::getenv("GLASS_UPDATE_GOLDENS");
  return value != nullptr && std::string(value) == "1";
}

}  // namespace

bool writeRgbPng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height) return false;
  FilePointer file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool readRgbPng(const std::string& path, std::vector<std::uint32_t>* pixels, int* width, int* height) {
  FilePointer file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  const int w = static_cast<int>(png_get_image_width(png, info));
  const int h = static_cast<int>(png_get_image_height(png, info));
  const int colourType = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) != 8 || (colourType != PNG_COLOR_TYPE_RGB && colourType != PNG_COLOR_TYPE_RGBA) ||
      w <= 0 || h <= 0 || w > 8192 || h > 8192) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const int channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  std::vector<png_byte> row(static_cast<std::size_t>(w) * channels);
  pixels->assign(static_cast<std::size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (int x = 0; x < w; ++x) {
      const png_byte* p = &row[static_cast<std::size_t>(x) * channels];
      (*pixels)[static_cast<std::size_t>(y) * w + x] = 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  *width = w;
  *height = h;
  return true;
}

::testing::AssertionResult matchesGoldenIn(const std::string& goldenDir, const std::string& outputDir,
                                           const std::string& name, const std::vector<std::uint32_t>& pixels,
                                           int width, int height) {
  const std::string goldenPath = goldenDir + "/" + name + ".png";
  if (updateRequested()) {
    if (!writeRgbPng(goldenPath, pixels, width, height)) {
      return ::testing::AssertionFailure() << "could not write " << goldenPath;
    }
    return ::testing::AssertionSuccess() << "updated " << goldenPath;
  }
  std::vector<std::uint32_t> golden;
  int goldenWidth = 0, goldenHeight = 0;
  const bool haveGolden = readRgbPng(goldenPath, &golden, &goldenWidth, &goldenHeight);
  std::size_t differing = 0;
  int firstX = -1, firstY = -1;
  std::uint32_t expected = 0, actual = 0;
  if (haveGolden && goldenWidth == width && goldenHeight == height) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * width + x;
        if (((golden[i] ^ pixels[i]) & 0x00FFFFFFu) != 0) {
          if (differing++ == 0) {
            firstX = x;
            firstY = y;
            expected = golden[i] & 0x00FFFFFFu;
            actual = pixels[i] & 0x00FFFFFFu;
          }
        }
      }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
  }
  std::filesystem::create_directories(outputDir);
  const std::string actualPath = outputDir + "/" + name + ".png";
  writeRgbPng(actualPath, pixels, width, height);
  auto failure = ::testing::AssertionFailure();
  if (!haveGolden) return failure << "no readable golden " << goldenPath << "; actual frame in " << actualPath;
  if (goldenWidth != width || goldenHeight != height) {
    return failure << "golden " << goldenPath << " is " << goldenWidth << "x" << goldenHeight << ", frame is "
                   << width << "x" << height;
  }
  char text[96];
  std::snprintf(text, sizeof text, "first at (%d, %d): expected %06X, got %06X", firstX, firstY, expected, actual);
  return failure << differing << " pixels differ from " << goldenPath << ", " << text << "; actual frame in "
                 << actualPath;
}
