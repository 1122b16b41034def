#include "codec/image_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/colour_table.h"
#include "codec/decoded_stream_cache.h"
#include "codec/huffman_decoder.h"
#include "codec/image_layout.h"
#include "platform/d3d8/row_split.h"

// Static initialisation order: the scratch buffer, then the decoder.
alignas(64) unsigned char imageScratch[kImageScratchBytes];
HuffmanDecoder huffmanDecoder;

std::int32_t decodedWidth = 0;
std::int32_t decodedHeight = 0;
int decodedChannels = 0;
int sizeClass = 1;
bool indexOutOfRange = false;

static_assert(std::endian::native == std::endian::little, "pixels are assembled as little-endian words");

namespace {

std::uint32_t readU32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

int signedByte(unsigned char byte) { return static_cast<std::int8_t>(byte); }

// Output rows per range when a stage is split over the drawing threads.
constexpr int kMinRowsPerRange = 32;

// Cell rows of 2^k pixel rows that make up kMinRowsPerRange.
int minCellRows(int k) { return std::max(1, kMinRowsPerRange >> k); }

// Starts the vertical 16.16 sums of one cell row: acc = top << 16 and
// step = (bottom - top) << (16 - k), or 0 without interpolation; the row
// bytes read as signed or unsigned.
template <bool kSigned>
void startColumns(const unsigned char* top, const unsigned char* bottom, int width, int k, bool interpolate,
                  std::uint32_t* acc, std::uint32_t* step) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i stepShift = _mm_cvtsi32_si128(16 - k);
  // Widens 16 bytes to four vectors of 32-bit values.
  auto widen = [&](const unsigned char* p, __m128i out[4]) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (kSigned) {
      const __m128i low = _mm_srai_epi16(_mm_unpacklo_epi8(v, v), 8);
      const __m128i high = _mm_srai_epi16(_mm_unpackhi_epi8(v, v), 8);
      out[0] = _mm_srai_epi32(_mm_unpacklo_epi16(low, low), 16);
      out[1] = _mm_srai_epi32(_mm_unpackhi_epi16(low, low), 16);
      out[2] = _mm_srai_epi32(_mm_unpacklo_epi16(high, high), 16);
      out[3] = _mm_srai_epi32(_mm_unpackhi_epi16(high, high), 16);
    } else {
      const __m128i low = _mm_unpacklo_epi8(v, zero);
      const __m128i high = _mm_unpackhi_epi8(v, zero);
      out[0] = _mm_unpacklo_epi16(low, zero);
      out[1] = _mm_unpackhi_epi16(low, zero);
      out[2] = _mm_unpacklo_epi16(high, zero);
      out[3] = _mm_unpackhi_epi16(high, zero);
    }
  };
  for (; x + 16 <= width; x += 16) {
    __m128i a[4], b[4];
    widen(top + x, a);
    widen(bottom + x, b);
    for (int v = 0; v < 4; ++v) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + x + 4 * v), _mm_slli_epi32(a[v], 16));
      const __m128i s = interpolate ? _mm_sll_epi32(_mm_sub_epi32(b[v], a[v]), stepShift) : zero;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(step + x + 4 * v), s);
    }
  }
#endif
  for (; x < width; ++x) {
    const int a = kSigned ? signedByte(top[x]) : top[x];
    const int b = kSigned ? signedByte(bottom[x]) : bottom[x];
    acc[x] = static_cast<std::uint32_t>(a) << 16;
    step[x] = interpolate ? static_cast<std::uint32_t>(b - a) << (16 - k) : 0u;
  }
}

// Vertical expansion of `rows` + 1 buffered rows of `width` unsigned bytes
// into 2^k output rows per cell. Runs a 16.16 sum per column, one row of
// columns at a time.
// Cell rows [first, last) only: each cell row reads its two buffered rows
// and writes its own output rows, so ranges of them may run side by side.
void expandRowRange(const unsigned char* rowBuffer, int first, int last, int width, int k, bool interpolate,
                    unsigned char* out) {
  std::uint32_t acc[kMaxImageSide];
  std::uint32_t step[kMaxImageSide];
  const int count = 1 << k;
  for (int r = first; r < last; ++r) {
    const unsigned char* top = rowBuffer + r * width;
    const unsigned char* bottom = top + width;
    if (k == 0) {
      // One-pixel-high cells: the single sample is the top row.
      std::memcpy(out + static_cast<std::size_t>(r) * width, top, static_cast<std::size_t>(width));
      continue;
    }
    startColumns<false>(top, bottom, width, k, interpolate, acc, step);
    for (int i = 0; i < count; ++i) {
      unsigned char* row = out + static_cast<std::size_t>(r * count + i) * width;
      int x = 0;
#if defined(__SSE2__)
      // 16 columns at a time: bits 16..23 of each sum, packed to bytes.
      const __m128i lowByte = _mm_set1_epi32(0xFF);
      for (; x + 16 <= width; x += 16) {
        __m128i sums[4];
        for (int v = 0; v < 4; ++v) {
          __m128i* a = reinterpret_cast<__m128i*>(acc + x + 4 * v);
          const __m128i value = _mm_loadu_si128(a);
          sums[v] = _mm_and_si128(_mm_srli_epi32(value, 16), lowByte);
          const __m128i advance = _mm_loadu_si128(reinterpret_cast<const __m128i*>(step + x + 4 * v));
          _mm_storeu_si128(a, _mm_add_epi32(value, advance));
        }
        const __m128i words = _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), words);
      }
#endif
      for (; x < width; ++x) {
        row[x] = static_cast<unsigned char>(acc[x] >> 16);
        acc[x] += step[x];
      }
    }
  }
}

void expandRows(const unsigned char* rowBuffer, int rows, int width, int k, bool interpolate, unsigned char* out) {
  auto range = [&](int first, int last) { expandRowRange(rowBuffer, first, last, width, k, interpolate, out); };
  splitRows(rows, minCellRows(k), range);
}

// Horizontal expansion of a grid of (rows + 1) x (cells + 1) signed corners
// into the row buffer, `scale` times each corner; 2^K samples per cell.
template <int K>
void expandGridRowsOf(const unsigned char* grid, int rows, int cells, int scale, int width, unsigned char* rowBuffer) {
  for (int r = 0; r <= rows; ++r) {
    const unsigned char* corners = grid + r * (cells + 1);
    unsigned char* row = rowBuffer + r * width;
    if (K == 0 && scale == 1) {
      // One-pixel cells: every sample is its corner's low byte.
      std::memcpy(row, corners, static_cast<std::size_t>(cells));
      continue;
    }
    int a = scale * signedByte(corners[0]);
    for (int c = 0; c < cells; ++c) {
      const int b = scale * signedByte(corners[c + 1]);
      expandSegment(a, b, K, false, row + c * (1 << K), 1);
      a = b;
    }
  }
}

void expandGridRows(const unsigned char* grid, int rows, int cells, int k, int scale, int width,
                    unsigned char* rowBuffer) {
  switch (k) {
    case 0: expandGridRowsOf<0>(grid, rows, cells, scale, width, rowBuffer); break;
    case 1: expandGridRowsOf<1>(grid, rows, cells, scale, width, rowBuffer); break;
    case 2: expandGridRowsOf<2>(grid, rows, cells, scale, width, rowBuffer); break;
    case 3: expandGridRowsOf<3>(grid, rows, cells, scale, width, rowBuffer); break;
    default: expandGridRowsOf<4>(grid, rows, cells, scale, width, rowBuffer); break;
  }
}

// Grid luma into `out`, one byte per pixel. `out` may be lumaBase itself:
// each pixel is read from the base plane only to write the same pixel.
void decodeGridLuma(const unsigned char* stream, const ImageLayout& l, unsigned char* out) {
  const int fx = l.lumaCellWidth;
  const int fy = l.lumaCellHeight;
  const int gw = l.width / fx;
  const int gh = l.height / fy;
  const int width = l.width;
  expandGridRows(stream + l.lumaStart, gh, gw, cellShift(fx), 4, width, lumaRows);
  expandRows(lumaRows, gh, width, cellShift(fy), l.verticalInterpolation, lumaBase);

  // Corrections are shifted by s mod 32; a shift of 8 or more leaves
  // nothing in the low byte, so it corrects nothing.
  const int shift = l.residualShift & 31;
  const unsigned char* details = stream + l.detailStart;
  // Where each cell row's corrections start: a flag byte per cell, then,
  // for a flag of 0, half a byte per pixel of the cell.
  std::int32_t rowStart[kMaxImageSide + 1];
  const int cellBytes = fy * ((fx + 1) / 2);
  rowStart[0] = 0;
  for (int r = 0; r < gh; ++r) {
    std::int32_t at = rowStart[r];
    for (int c = 0; c < gw; ++c) at += details[at] == 0 ? 1 + cellBytes : 1;
    rowStart[r + 1] = at;
  }
  auto range = [&](int first, int last) {
    for (int r = first; r < last; ++r) {
      const unsigned char* detail = details + rowStart[r];
      for (int c = 0; c < gw; ++c) {
        const unsigned char flag = *detail++;
        for (int j = 0; j < fy; ++j) {
          const std::size_t start = static_cast<std::size_t>(r * fy + j) * width + c * fx;
          const unsigned char* base = lumaBase + start;
          unsigned char* pixel = out + start;
          if (flag != 0) {
            if (pixel != base) std::memcpy(pixel, base, static_cast<std::size_t>(fx));
            continue;
          }
          for (int x = 0; x < fx; x += 2) {
            const unsigned v = *detail++;
            const int d0 = static_cast<int>(v & 0x0F) - 8;
            const int d1 = static_cast<int>(v >> 4) - 8;
            const unsigned c0 = shift < 8 ? static_cast<unsigned>(d0) << shift : 0u;
            const unsigned c1 = shift < 8 ? static_cast<unsigned>(d1) << shift : 0u;
            pixel[x] = static_cast<unsigned char>(base[x] - c0);
            pixel[x + 1] = static_cast<unsigned char>(base[x + 1] - c1);
          }
        }
      }
    }
  };
  // One-pixel-wide cells write a pixel beyond the cell, which the next cell
  // (perhaps of the next cell row) then writes again: those stay in order.
  splitRows(gh, fx >= 2 ? minCellRows(cellShift(fy)) : gh, range);
}

// Both chroma grids, expanded together, and the luma plane into 4-byte
// pixels: byte 0 luma, byte 1 chroma A, byte 2 chroma B; byte 3 keeps what
// it held. The chroma row buffers are read as signed bytes.
void decodeChromaInto(const unsigned char* stream, const ImageLayout& l, const unsigned char* luma,
                      unsigned char* out) {
  const int width = l.width;
  const int cw = width / l.chromaCellWidth;
  const int ch = l.height / l.chromaCellHeight;
  const int k = cellShift(l.chromaCellHeight);
  unsigned char* rowsA = chromaRows;
  unsigned char* rowsB = chromaRows + kRowBufferBytes;
  expandGridRows(stream + l.chromaAStart, ch, cw, cellShift(l.chromaCellWidth), 1, width, rowsA);
  expandGridRows(stream + l.chromaBStart, ch, cw, cellShift(l.chromaCellWidth), 1, width, rowsB);

  // Each cell row writes its own pixel rows: ranges of them run side by side.
  auto range = [&](int first, int last) {
    std::uint32_t accA[kMaxImageSide], stepA[kMaxImageSide];
    std::uint32_t accB[kMaxImageSide], stepB[kMaxImageSide];
    const int count = 1 << k;
    for (int r = first; r < last; ++r) {
      const unsigned char* topA = rowsA + r * width;
      const unsigned char* topB = rowsB + r * width;
      startColumns<true>(topA, topA + width, width, k, l.verticalInterpolation, accA, stepA);
      startColumns<true>(topB, topB + width, width, k, l.verticalInterpolation, accB, stepB);
      for (int i = 0; i < count; ++i) {
        const std::size_t y = static_cast<std::size_t>(r * count + i);
        const unsigned char* lumaRow = luma + y * width;
        unsigned char* pixel = out + y * width * 4;
        // Bits 16..23 of the sums: ((acc >> 16) & 0xFF) << 8 is (acc >> 8) &
        // 0xFF00, and << 16 is acc & 0xFF0000.
        int x = 0;
  #if defined(__SSE2__)
        const __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        const __m128i maskA = _mm_set1_epi32(0xFF00);
        const __m128i maskB = _mm_set1_epi32(0xFF0000);
        const __m128i zero = _mm_setzero_si128();
        for (; x + 4 <= width; x += 4) {
          __m128i* a = reinterpret_cast<__m128i*>(accA + x);
          __m128i* b = reinterpret_cast<__m128i*>(accB + x);
          const __m128i sumA = _mm_loadu_si128(a);
          const __m128i sumB = _mm_loadu_si128(b);
          std::int32_t lumaBytes;
          std::memcpy(&lumaBytes, lumaRow + x, 4);
          const __m128i l = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(lumaBytes), zero), zero);
          __m128i* target = reinterpret_cast<__m128i*>(pixel + 4 * x);
          const __m128i old = _mm_and_si128(_mm_loadu_si128(target), keep);
          const __m128i chroma =
              _mm_or_si128(_mm_and_si128(_mm_srli_epi32(sumA, 8), maskA), _mm_and_si128(sumB, maskB));
          _mm_storeu_si128(target, _mm_or_si128(_mm_or_si128(old, l), chroma));
          _mm_storeu_si128(a, _mm_add_epi32(sumA, _mm_loadu_si128(reinterpret_cast<const __m128i*>(stepA + x))));
          _mm_storeu_si128(b, _mm_add_epi32(sumB, _mm_loadu_si128(reinterpret_cast<const __m128i*>(stepB + x))));
        }
  #endif
        for (; x < width; ++x) {
          std::uint32_t word;
          std::memcpy(&word, pixel + 4 * x, 4);
          word = (word & 0xFF000000u) | lumaRow[x] | ((accA[x] >> 8) & 0xFF00u) | (accB[x] & 0xFF0000u);
          std::memcpy(pixel + 4 * x, &word, 4);
          accA[x] += stepA[x];
          accB[x] += stepB[x];
        }
      }
    }
  };
  splitRows(ch, minCellRows(k), range);
}

// The stock content's pictures decode to about 10 MB in all.
constexpr std::size_t kStreamCacheBudget = 64u << 20;
bool streamCaching = true;

DecodedStreamCache& streamCache() {
  static DecodedStreamCache cache(kStreamCacheBudget);
  return cache;
}

// The decoded stream of `block` in the decoded-stream buffer, as the
// decoder leaves it: its written bytes replaced, the rest as it was.
unsigned char* decodeStream(const unsigned char* block, std::int64_t size) {
  if (decodedStream == nullptr) return nullptr;
  const auto bytes = static_cast<std::size_t>(size);
  if (streamCaching) {
    if (const std::vector<unsigned char>* kept = streamCache().find(block, bytes)) {
      if (!kept->empty()) std::memcpy(decodedStream, kept->data(), kept->size());
      return decodedStream;
    }
  }
  huffmanDecoder.attachBlock(block, size);
  unsigned char* stream = huffmanDecoder.decode();
  if (stream != nullptr && streamCaching) {
    streamCache().add(block, bytes, stream, static_cast<std::size_t>(huffmanDecoder.writtenCount()));
  }
  return stream;
}

int refuseImage() {
  decodedWidth = 0;
  decodedHeight = 0;
  decodedChannels = 0;
  return 0;
}

void updateSizeClass() {
  if (decodedWidth == 128) sizeClass = 0;
  if (decodedWidth == 256) sizeClass = 1;
  if (decodedWidth == 512) sizeClass = 2;
}

}  // namespace

void keepDecodedStream(const unsigned char* block, std::int64_t size, const unsigned char* decoded, int written) {
  if (!streamCaching || block == nullptr || size <= 0 || written < 0) return;
  const auto bytes = static_cast<std::size_t>(size);
  if (streamCache().find(block, bytes) != nullptr) return;
  streamCache().add(block, bytes, decoded, static_cast<std::size_t>(written));
}

void setDecodedStreamCaching(bool on) {
  streamCaching = on;
  if (!on) streamCache().clear();
}

int imageCount(const unsigned char* container) {
  const std::int64_t entries = readU32(container);
  return static_cast<int>(entries - 1 > 0x7FFFFFFF ? 0x7FFFFFFF : entries - 1);
}

int decodeImage(const unsigned char* block, std::int64_t size, unsigned char* destination) {
  if (block == nullptr || size < kHuffmanHeaderBytes || destination == nullptr) return refuseImage();
  const unsigned char* stream = decodeStream(block, size);
  if (stream == nullptr) return refuseImage();

  // Sections are bounded by the buffer, not by the bytes this block
  // decoded: a short stream reads what the buffer held before, as the
  // format allows, but never beyond it.
  ImageLayout layout;
  if (readImageLayout(stream, kDecodedStreamBytes, &layout) != LayoutProblem::kNone) return refuseImage();
  decodedWidth = layout.width;
  decodedHeight = layout.height;
  decodedChannels = layout.oneChannel ? 1 : 3;

  const unsigned char* luma = stream + layout.lumaStart;
  if (layout.oneChannel) {
    if (layout.lumaCellWidth == 0) {
      std::memcpy(destination, luma, static_cast<std::size_t>(layout.width) * layout.height);
    } else {
      decodeGridLuma(stream, layout, destination);
    }
    return 1;
  }
  if (layout.lumaCellWidth != 0) {
    decodeGridLuma(stream, layout, lumaBase);
    luma = lumaBase;
  }
  decodeChromaInto(stream, layout, luma, destination);
  return 1;
}

namespace {

// Finds image `index` (already clamped) in the container; false when its
// block does not lie inside the container's known size or its offsets run
// backwards.
bool locateBlock(const unsigned char* container, std::size_t containerSize, std::uint32_t entries, int index,
                 const unsigned char** block, std::int64_t* blockSize) {
  const std::uint64_t tableEnd = 4 + 4 * std::uint64_t{entries};
  if (tableEnd > containerSize) return false;
  const std::uint32_t start = readU32(container + 4 + 4 * index);
  const std::uint32_t end = readU32(container + 8 + 4 * index);
  if (end < start || tableEnd + end > containerSize) return false;
  *block = container + tableEnd + start;
  *blockSize = end - start;
  return true;
}

int decodeFromContainer(const unsigned char* container, std::size_t containerSize, int index) {
  indexOutOfRange = false;
  if (container == nullptr || containerSize < 4) return refuseImage() - 1;
  const std::uint32_t entries = readU32(container);
  if (entries < 2) return refuseImage() - 1;
  if (index < 0 || static_cast<std::uint32_t>(index) >= entries - 1) {
    index = 0;
    indexOutOfRange = true;
  }
  const unsigned char* block = nullptr;
  std::int64_t blockSize = 0;
  if (!locateBlock(container, containerSize, entries, index, &block, &blockSize)) return refuseImage() - 1;
  decodeImage(block, blockSize, imageScratch);
  updateSizeClass();
  return index;
}

}  // namespace

int decodeContainerImage(const unsigned char* container, int index) {
  return decodeFromContainer(container, static_cast<std::size_t>(-1), index);
}

int decodeContainerImageSized(const unsigned char* container, std::size_t containerSize, int index) {
  return decodeFromContainer(container, containerSize, index);
}
