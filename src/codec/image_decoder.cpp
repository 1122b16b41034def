#include "codec/image_decoder.h"

#include <cstring>

#include "codec/colour_table.h"
#include "codec/huffman_decoder.h"
#include "codec/image_layout.h"

// Static initialisation order: the scratch buffer, then the decoder.
alignas(64) unsigned char imageScratch[kImageScratchBytes];
HuffmanDecoder huffmanDecoder;

std::int32_t decodedWidth = 0;
std::int32_t decodedHeight = 0;
int decodedChannels = 0;
int sizeClass = 1;
bool indexOutOfRange = false;

namespace {

std::uint32_t readU32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

int signedByte(unsigned char byte) { return static_cast<std::int8_t>(byte); }

// Vertical expansion of `rows` + 1 buffered rows of `width` bytes into
// 2^k output rows per cell. Runs a 16.16 sum per column, one row of
// columns at a time.
template <bool kSigned>
void expandRows(const unsigned char* rowBuffer, int rows, int width, int k, bool interpolate,
                unsigned char* out, int pixelStride) {
  std::uint32_t acc[kMaxImageSide];
  std::uint32_t step[kMaxImageSide];
  const int count = 1 << k;
  for (int r = 0; r < rows; ++r) {
    const unsigned char* top = rowBuffer + r * width;
    const unsigned char* bottom = top + width;
    if (k == 0) {
      // One-pixel-high cells: the single sample is the top row.
      unsigned char* row = out + static_cast<std::size_t>(r) * width * pixelStride;
      for (int x = 0; x < width; ++x) row[x * pixelStride] = top[x];
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const int a = kSigned ? signedByte(top[x]) : top[x];
      const int b = kSigned ? signedByte(bottom[x]) : bottom[x];
      acc[x] = static_cast<std::uint32_t>(a) << 16;
      step[x] = interpolate ? static_cast<std::uint32_t>(b - a) << (16 - k) : 0u;
    }
    for (int i = 0; i < count; ++i) {
      unsigned char* row = out + static_cast<std::size_t>(r * count + i) * width * pixelStride;
      for (int x = 0; x < width; ++x) {
        row[x * pixelStride] = static_cast<unsigned char>(acc[x] >> 16);
        acc[x] += step[x];
      }
    }
  }
}

// Horizontal expansion of a grid of (rows + 1) x (cells + 1) signed corners
// into the row buffer, `scale` times each corner.
void expandGridRows(const unsigned char* grid, int rows, int cells, int k, int scale, int width,
                    unsigned char* rowBuffer) {
  const int cellWidth = 1 << k;
  for (int r = 0; r <= rows; ++r) {
    const unsigned char* corners = grid + r * (cells + 1);
    unsigned char* row = rowBuffer + r * width;
    if (k == 0 && scale == 1) {
      // One-pixel cells: every sample is its corner's low byte.
      std::memcpy(row, corners, static_cast<std::size_t>(cells));
      continue;
    }
    for (int c = 0; c < cells; ++c) {
      expandSegment(scale * signedByte(corners[c]), scale * signedByte(corners[c + 1]), k, false,
                    row + c * cellWidth, 1);
    }
  }
}

void decodeGridLuma(const unsigned char* stream, const ImageLayout& l, unsigned char* out, int pixelStride) {
  const int fx = l.lumaCellWidth;
  const int fy = l.lumaCellHeight;
  const int gw = l.width / fx;
  const int gh = l.height / fy;
  const int width = l.width;
  expandGridRows(stream + l.lumaStart, gh, gw, cellShift(fx), 4, width, lumaRows);
  expandRows<false>(lumaRows, gh, width, cellShift(fy), l.verticalInterpolation, lumaBase, 1);

  // Corrections are shifted by s mod 32; a shift of 8 or more leaves
  // nothing in the low byte, so it corrects nothing.
  const int shift = l.residualShift & 31;
  const unsigned char* detail = stream + l.detailStart;
  for (int r = 0; r < gh; ++r) {
    for (int c = 0; c < gw; ++c) {
      const unsigned char flag = *detail++;
      for (int j = 0; j < fy; ++j) {
        const int y = r * fy + j;
        const unsigned char* base = lumaBase + y * width + c * fx;
        unsigned char* pixel = out + (static_cast<std::size_t>(y) * width + c * fx) * pixelStride;
        if (flag != 0) {
          for (int x = 0; x < fx; ++x) pixel[x * pixelStride] = base[x];
          continue;
        }
        for (int x = 0; x < fx; x += 2) {
          const unsigned v = *detail++;
          const int d0 = static_cast<int>(v & 0x0F) - 8;
          const int d1 = static_cast<int>(v >> 4) - 8;
          const unsigned c0 = shift < 8 ? static_cast<unsigned>(d0) << shift : 0u;
          const unsigned c1 = shift < 8 ? static_cast<unsigned>(d1) << shift : 0u;
          pixel[x * pixelStride] = static_cast<unsigned char>(base[x] - c0);
          pixel[(x + 1) * pixelStride] = static_cast<unsigned char>(base[x + 1] - c1);
        }
      }
    }
  }
}

void decodeChroma(const unsigned char* grid, const ImageLayout& l, unsigned char* out) {
  const int cw = l.width / l.chromaCellWidth;
  const int ch = l.height / l.chromaCellHeight;
  expandGridRows(grid, ch, cw, cellShift(l.chromaCellWidth), 1, l.width, chromaRows);
  expandRows<true>(chromaRows, ch, l.width, cellShift(l.chromaCellHeight), l.verticalInterpolation, out, 4);
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

int imageCount(const unsigned char* container) {
  const std::int64_t entries = readU32(container);
  return static_cast<int>(entries - 1 > 0x7FFFFFFF ? 0x7FFFFFFF : entries - 1);
}

int decodeImage(const unsigned char* block, std::int64_t size, unsigned char* destination) {
  if (block == nullptr || size < kHuffmanHeaderBytes || destination == nullptr) return refuseImage();
  huffmanDecoder.attachBlock(block, size);
  const unsigned char* stream = huffmanDecoder.decode();
  if (stream == nullptr) return refuseImage();

  // Sections are bounded by the buffer, not by the bytes this block
  // decoded: a short stream reads what the buffer held before, as the
  // format allows, but never beyond it.
  ImageLayout layout;
  if (readImageLayout(stream, kDecodedStreamBytes, &layout) != LayoutProblem::kNone) return refuseImage();
  decodedWidth = layout.width;
  decodedHeight = layout.height;
  decodedChannels = layout.oneChannel ? 1 : 3;
  const int pixelStride = layout.oneChannel ? 1 : 4;

  if (layout.lumaCellWidth == 0) {
    const unsigned char* raw = stream + layout.lumaStart;
    const int pixels = layout.width * layout.height;
    if (pixelStride == 1) {
      std::memcpy(destination, raw, static_cast<std::size_t>(pixels));
    } else {
      for (int i = 0; i < pixels; ++i) destination[i * 4] = raw[i];
    }
  } else {
    decodeGridLuma(stream, layout, destination, pixelStride);
  }
  if (!layout.oneChannel) {
    decodeChroma(stream + layout.chromaAStart, layout, destination + 1);
    decodeChroma(stream + layout.chromaBStart, layout, destination + 2);
  }
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
