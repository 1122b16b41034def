// PNG encoding through libpng, tuned for speed: captures write tens of
// thousands of frames, and compression is most of their cost.
//
// Bytes of the file (all integers big-endian):
//   8-byte signature 89 50 4E 47 0D 0A 1A 0A
//   IHDR: width u32, height u32, bit depth 8, colour type 2 (RGB),
//         compression 0, filter 0, interlace 0
//   IDAT: zlib stream of the rows, each prefixed by its filter byte
//   IEND
// Every chunk is length u32, 4-byte type, data, CRC-32 of type and data.
// Nothing time-dependent is written, so the bytes depend only on the pixels.
// Every row uses the Sub filter (each byte less the same channel of the
// pixel to its left) and zlib level 1 with run-length matching only: on
// rendered frames this is about 1.6 times cheaper than the usual level 3
// and still smaller, since runs of equal differences dominate.
#include "capture/png_writer.h"

#include "platform/os/output_file.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

bool viewIsValid(const BgraView& picture) {
  return picture.bytes != nullptr && picture.width > 0 && picture.height > 0 &&
         picture.width <= 65535 && picture.height <= 65535 && picture.pitch >= picture.width * 4;
}

struct Encoding {
  std::vector<std::uint8_t>* out = nullptr;
  char message[200] = {};
};

void appendBytes(png_structp png, png_bytep bytes, png_size_t count) {
  auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
  encoding->out->insert(encoding->out->end(), bytes, bytes + count);
}

void flushNothing(png_structp) {}

[[noreturn]] void onError(png_structp png, png_const_charp message) {
  auto* encoding = static_cast<Encoding*>(png_get_error_ptr(png));
  std::snprintf(encoding->message, sizeof encoding->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Runs libpng over the rows. No C++ object lives across setjmp here, so
// the jump back on an error skips no destructor.
bool encodeRows(const BgraView& picture, Encoding& encoding) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, onError, onWarning);
  if (png == nullptr) {
    std::snprintf(encoding.message, sizeof encoding.message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    if (info == nullptr) std::snprintf(encoding.message, sizeof encoding.message, "out of memory");
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &encoding, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  // The rows go in as they are: B, G, R swapped to R, G, B and the fourth
  // byte dropped by libpng itself.
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < picture.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(picture.bytes + static_cast<std::size_t>(y) * picture.pitch));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

PngResult encodePng(const BgraView& picture, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!viewIsValid(picture)) return {false, "invalid picture for PNG (size or pitch)"};
  // Rendered frames compress to about a third of their RGB size.
  out.reserve(static_cast<std::size_t>(picture.width) * picture.height + 1024);
  Encoding encoding;
  encoding.out = &out;
  if (!encodeRows(picture, encoding)) {
    out.clear();
    return {false, std::string("PNG encoding failed: ") + encoding.message};
  }
  return {true, {}};
}

PngResult writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string error;
  if (!writeOutputFile(path, bytes, &error)) return {false, error};
  return {true, {}};
}

PngResult writePng(const std::string& path, const BgraView& picture) {
  std::vector<std::uint8_t> encoded;
  PngResult result = encodePng(picture, encoded);
  if (!result.ok) return result;
  return writeFile(path, encoded);
}
