// PNG encoding through libpng's simplified write interface.
//
// Bytes of the file (all integers big-endian):
//   8-byte signature 89 50 4E 47 0D 0A 1A 0A
//   IHDR: width u32, height u32, bit depth 8, colour type 2 (RGB),
//         compression 0, filter 0, interlace 0
//   IDAT: zlib stream of the rows, each prefixed by its filter byte
//   IEND
// Every chunk is length u32, 4-byte type, data, CRC-32 of type and data.
// Nothing time-dependent is written, so the bytes depend only on the pixels.
#include "capture/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool viewIsValid(const BgraView& picture) {
  return picture.bytes != nullptr && picture.width > 0 && picture.height > 0 &&
         picture.width <= 65535 && picture.height <= 65535 && picture.pitch >= picture.width * 4;
}

// Drops the alpha byte and reorders B,G,R into R,G,B, packed rows.
std::vector<std::uint8_t> toPackedRgb(const BgraView& picture) {
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
  std::vector<std::uint8_t> rgb(rowBytes * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* source = picture.bytes + static_cast<std::size_t>(y) * picture.pitch;
    std::uint8_t* target = rgb.data() + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < picture.width; ++x) {
      target[x * 3 + 0] = source[x * 4 + 2];
      target[x * 3 + 1] = source[x * 4 + 1];
      target[x * 3 + 2] = source[x * 4 + 0];
    }
  }
  return rgb;
}

png_image describeRgb(const BgraView& picture) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  image.flags = PNG_IMAGE_FLAG_FAST;
  return image;
}

}  // namespace

PngResult encodePng(const BgraView& picture, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!viewIsValid(picture)) return {false, "invalid picture for PNG (size or pitch)"};
  const std::vector<std::uint8_t> rgb = toPackedRgb(picture);
  png_image image = describeRgb(picture);
  png_alloc_size_t size = 0;
  // First pass measures, second pass writes.
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
    std::string message = image.message;
    png_image_free(&image);
    return {false, "PNG encoding failed: " + message};
  }
  out.resize(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr)) {
    std::string message = image.message;
    png_image_free(&image);
    out.clear();
    return {false, "PNG encoding failed: " + message};
  }
  out.resize(size);
  return {true, {}};
}

PngResult writePng(const std::string& path, const BgraView& picture) {
  std::vector<std::uint8_t> encoded;
  PngResult result = encodePng(picture, encoded);
  if (!result.ok) return result;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return {false, "cannot create " + path + ": " + std::strerror(errno)};
  const bool written = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return {false, "cannot write " + path};
  return {true, {}};
}
