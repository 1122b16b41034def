// PNG reading and writing through libpng's simplified interface.
#include "common/png_io.h"

#include <png.h>

#include <cstring>

#include "platform/os/output_file.h"
#include "platform/os/regular_file.h"

namespace {

bool setError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

// Picks the in-memory format for a file: grey stays grey, colour stays
// RGB, anything with transparency becomes RGBA.
void chooseFormat(png_image* image, Picture* out) {
  const bool hasAlpha = (image->format & PNG_FORMAT_FLAG_ALPHA) != 0;
  const bool colour = (image->format & PNG_FORMAT_FLAG_COLOR) != 0;
  if (hasAlpha) {
    image->format = PNG_FORMAT_RGBA;
    out->channels = 4;
  } else if (colour) {
    image->format = PNG_FORMAT_RGB;
    out->channels = 3;
  } else {
    image->format = PNG_FORMAT_GRAY;
    out->channels = 1;
  }
}

// With maxSide above 0 a picture wider or taller is refused from its
// header alone, before its pixels take memory and time.
bool finishRead(png_image* image, Picture* out, std::string* error, const std::string& name, int maxSide) {
  const auto side = static_cast<png_uint_32>(maxSide);
  if (maxSide > 0 && (image->width > side || image->height > side)) {
    const std::string size = std::to_string(image->width) + " x " + std::to_string(image->height);
    png_image_free(image);
    return setError(error, name + ": picture size " + size + " above the largest " + std::to_string(maxSide) + " x " +
                               std::to_string(maxSide));
  }
  Picture picture;
  chooseFormat(image, &picture);
  picture.width = static_cast<int>(image->width);
  picture.height = static_cast<int>(image->height);
  picture.pixels.resize(PNG_IMAGE_SIZE(*image));
  if (!png_image_finish_read(image, nullptr, picture.pixels.data(), 0, nullptr)) {
    const std::string message = image->message;
    png_image_free(image);
    return setError(error, name + ": " + message);
  }
  *out = std::move(picture);
  return true;
}

bool describe(const Picture& picture, png_image* image, std::string* error, const std::string& name) {
  std::memset(image, 0, sizeof *image);
  image->version = PNG_IMAGE_VERSION;
  image->width = static_cast<png_uint_32>(picture.width);
  image->height = static_cast<png_uint_32>(picture.height);
  switch (picture.channels) {
    case 1: image->format = PNG_FORMAT_GRAY; break;
    case 3: image->format = PNG_FORMAT_RGB; break;
    case 4: image->format = PNG_FORMAT_RGBA; break;
    default: return setError(error, name + ": pictures of 1, 3 or 4 channels only");
  }
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * picture.channels) {
    return setError(error, name + ": picture size and pixel count disagree");
  }
  return true;
}

}  // namespace

bool readPng(const std::string& path, Picture* out, std::string* error, int maxSide) {
  // Read whole first: a folder or a FIFO is refused instead of blocking.
  std::vector<unsigned char> bytes;
  const FileReadResult read = readRegularFile(path, bytes, fixedSizeLimit(kMaxPngFileBytes, "a PNG file may be"));
  if (read.status == FileReadStatus::kNotRegular) return setError(error, path + " is " + read.reason);
  if (!read.ok()) return setError(error, path + ": " + read.reason);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    return setError(error, path + ": " + image.message);
  }
  return finishRead(&image, out, error, path, maxSide);
}

bool readPngFromMemory(const std::vector<std::uint8_t>& bytes, Picture* out, std::string* error, int maxSide,
                       const std::string& name) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    return setError(error, name + ": " + image.message);
  }
  return finishRead(&image, out, error, name, maxSide);
}

bool writePng(const std::string& path, const Picture& picture, std::string* error) {
  // Encoded in memory first: the file is written by the one writer that
  // never removes or replaces what it cannot write.
  std::vector<std::uint8_t> bytes;
  if (!writePngToMemory(picture, &bytes, error)) return false;
  return writeOutputFile(path, bytes, error);
}

bool writePngToMemory(const Picture& picture, std::vector<std::uint8_t>* bytes, std::string* error) {
  png_image image;
  if (!describe(picture, &image, error, "PNG in memory")) return false;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.pixels.data(), 0, nullptr)) {
    return setError(error, std::string("PNG in memory: ") + image.message);
  }
  bytes->resize(size);
  if (!png_image_write_to_memory(&image, bytes->data(), &size, 0, picture.pixels.data(), 0, nullptr)) {
    return setError(error, std::string("PNG in memory: ") + image.message);
  }
  bytes->resize(size);
  return true;
}
