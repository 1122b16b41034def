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
// files libdeflate's fastest level gave, in under half its time.
#include "capture/png_writer.h"

#include <libdeflate.h>

#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

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
// Pixels from `from` on; `r`, `g`, `b` are the pixel before `from`.
void filterPixels(const std::uint8_t* bgra, int from, int width, std::uint8_t* out, std::uint8_t r, std::uint8_t g,
                  std::uint8_t b) {
  bgra += 4 * from;
  out += 3 * from;
  for (int x = from; x < width; ++x, bgra += 4, out += 3) {
    out[0] = static_cast<std::uint8_t>(bgra[2] - r);
    out[1] = static_cast<std::uint8_t>(bgra[1] - g);
    out[2] = static_cast<std::uint8_t>(bgra[0] - b);
    r = bgra[2];
    g = bgra[1];
    b = bgra[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// The same, four pixels at a time: each less the pixel before it in all
// four bytes, then B, G, R of each packed as R, G, B. A store writes 16
// bytes for 12, so the loop stops while 4 bytes of the row remain past it.
__attribute__((target("ssse3"))) void filterRowSsse3(const std::uint8_t* bgra, int width, std::uint8_t* out) {
  const __m128i pack = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  __m128i before = _mm_setzero_si128();  // its last pixel is the one to the left
  int x = 0;
  for (; x + 6 <= width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * x));
    const __m128i left = _mm_alignr_epi8(pixels, before, 12);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(_mm_sub_epi8(pixels, left), pack));
    before = pixels;
  }
  const std::uint8_t* last = bgra + 4 * x - 4;  // the pixel before x, when there is one
  filterPixels(bgra, x, width, out, x > 0 ? last[2] : 0, x > 0 ? last[1] : 0, x > 0 ? last[0] : 0);
}
#endif

void filterRow(const std::uint8_t* bgra, int width, std::uint8_t* out) {
  *out++ = 1;
#if defined(__x86_64__) || defined(__i386__)
  static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
  if (hasSsse3) {
    filterRowSsse3(bgra, width, out);
    return;
  }
#endif
  filterPixels(bgra, 0, width, out, 0, 0, 0);
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
