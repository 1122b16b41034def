// PNG encoding, tuned for speed: captures write tens of thousands of
// frames, and compression is most of their cost.
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
// pixel to its left), written here while B, G, R become R, G, B. Filtered
// rendered frames are mostly noise-like detail and runs of one byte, so the
// rows are compressed in one piece with runs and Huffman codes only
// (capture/run_deflate.h): on the presentation's frames that gives the
// files libdeflate's fastest level gave, in half its time.
#include "capture/png_writer.h"

#include <libdeflate.h>

#include <cstring>

#include "capture/run_deflate.h"
#include "platform/os/output_file.h"

namespace {

bool viewIsValid(const BgraView& picture) {
  return picture.bytes != nullptr && picture.width > 0 && picture.height > 0 &&
         picture.width <= 65535 && picture.height <= 65535 && picture.pitch >= picture.width * 4;
}

void putU32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

// Appends a chunk whose `size` data bytes are already at out[start + 8...].
void closeChunk(std::vector<std::uint8_t>& out, std::size_t start, const char type[4], std::size_t size) {
  putU32(out.data() + start, static_cast<std::uint32_t>(size));
  std::memcpy(out.data() + start + 4, type, 4);
  const std::uint32_t crc = libdeflate_crc32(0, out.data() + start + 4, size + 4);
  putU32(out.data() + start + 8 + size, crc);
}

// Filter byte 1 (Sub) and the row as R, G, B differences from the pixel to
// the left (the first pixel from zero), in byte arithmetic modulo 256.
void filterRow(const std::uint8_t* bgra, int width, std::uint8_t* out) {
  *out++ = 1;
  std::uint8_t r = 0, g = 0, b = 0;
  for (int x = 0; x < width; ++x, bgra += 4, out += 3) {
    out[0] = static_cast<std::uint8_t>(bgra[2] - r);
    out[1] = static_cast<std::uint8_t>(bgra[1] - g);
    out[2] = static_cast<std::uint8_t>(bgra[0] - b);
    r = bgra[2];
    g = bgra[1];
    b = bgra[0];
  }
}

// Rows filtered for compression, reused by the thread's next picture.
std::vector<std::uint8_t>& threadRows() {
  thread_local std::vector<std::uint8_t> rows;
  return rows;
}

}  // namespace

PngResult encodePng(const BgraView& picture, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!viewIsValid(picture)) return {false, "invalid picture for PNG (size or pitch)"};
  const std::size_t rowBytes = 1 + static_cast<std::size_t>(picture.width) * 3;
  std::vector<std::uint8_t>& rows = threadRows();
  rows.resize(rowBytes * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    filterRow(picture.bytes + static_cast<std::size_t>(y) * picture.pitch, picture.width, rows.data() + y * rowBytes);
  }

  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  out.reserve(8 + (12 + 13) + 12 + rows.size() / 2 + 12);
  out.resize(8 + (12 + 13) + 8);
  std::memcpy(out.data(), kSignature, 8);
  std::uint8_t* header = out.data() + 8 + 8;
  putU32(header, static_cast<std::uint32_t>(picture.width));
  putU32(header + 4, static_cast<std::uint32_t>(picture.height));
  const std::uint8_t rest[5] = {8, 2, 0, 0, 0};  // depth, RGB, deflate, filter set 0, no interlace
  std::memcpy(header + 8, rest, 5);
  const std::size_t data = 8 + 25;
  const std::size_t packed = compressRuns(rows.data(), rows.size(), out);
  out.resize(out.size() + 4);  // the IDAT's CRC
  closeChunk(out, 8, "IHDR", 13);
  closeChunk(out, data, "IDAT", packed);
  const std::size_t end = out.size();
  out.resize(end + 12);
  closeChunk(out, end, "IEND", 0);
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
