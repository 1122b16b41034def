// The decoded image stream's header and the positions of its sections,
// checked against the bytes available before any section is read.
//
// Decoded image stream (what the Huffman decoder produces for one image):
//
//   offset  size  field
//   0       2     width                  s16 LE, W, 1..512
//   2       2     height                 s16 LE, H, 1..512
//   4       1     lumaCellWidth  (fx)    s8: 0 = raw luma, else 2, 4, 8, 16
//   5       1     lumaCellHeight (fy)    s8: 1, 2, 4, 8, 16
//   6       1     chromaCellWidth (cx)   s8: 1, 2, 4, 8, 16
//   7       1     chromaCellHeight (cy)  s8: 1, 2, 4, 8, 16
//   8       1     verticalInterpolation  u8: 0 = every row of a cell repeats
//                                         its top row
//   9       1     reserved
//   10      1     residualShift (s)      s8: corrections are shifted by s%32
//   11      1     channelMode            u8: 0xFF one channel, else three
//   12      ...   luma section
//                   raw (fx = 0): W*H bytes, row by row
//                   grid: (H/fy + 1) rows of (W/fx + 1) s8 corners (luma/4),
//                         then per cell in row-major order a flag byte; a
//                         flag of 0 is followed by fy*(fx/2) correction
//                         bytes (low nibble even column, high nibble odd)
//         ...   chroma grid A, chroma grid B (three channels only): each
//               (H/cy + 1) rows of (W/cx + 1) s8 values 0..63
//
// W must be a multiple of fx and cx, H of fy and cy.
#pragma once

#include <cstdint>

constexpr int kImageStreamHeaderBytes = 12;
constexpr int kMaxImageSide = 512;
constexpr std::uint8_t kOneChannelMode = 0xFF;

enum class LayoutProblem {
  kNone,
  kShortHeader,       // fewer than 12 bytes
  kBadSize,           // width or height outside 1..512
  kBadLumaCell,       // fx not 0, 2, 4, 8, 16 or fy not 1, 2, 4, 8, 16
  kBadChromaCell,     // cx or cy not 1, 2, 4, 8, 16
  kSizeNotMultiple,   // W or H not a multiple of its cells
  kShortSections,     // the sections run past the bytes available
};

// A short sentence naming the problem, e.g. "stream shorter than its sections".
const char* layoutProblemText(LayoutProblem problem);

struct ImageLayout {
  int width = 0;
  int height = 0;
  int lumaCellWidth = 0;   // 0 = raw luma
  int lumaCellHeight = 0;
  int chromaCellWidth = 0;
  int chromaCellHeight = 0;
  bool verticalInterpolation = true;
  int residualShift = 0;   // as stored (signed)
  bool oneChannel = false;
  // Section offsets in the stream.
  int lumaStart = kImageStreamHeaderBytes;
  int detailStart = 0;     // grid luma only
  int lumaEnd = 0;
  int chromaAStart = 0;    // three channels only
  int chromaBStart = 0;
  int end = 0;             // one past the last byte the decoder reads
  int detailCells = 0;     // cells with corrections (flag 0)
};

// Reads the header of `stream` and walks the detail flags to find every
// section, never reading at or beyond `available`. On success fills `layout`.
LayoutProblem readImageLayout(const unsigned char* stream, int available, ImageLayout* layout);

// log2 of a cell size that is a power of two from 1 to 16, else -1.
int cellShift(int cellSize);

// The expansion step: f = 2^k samples from a to b in 16.16 fixed point;
// sample i is bits 16..23 of a*65536 + i*((b - a) << (16 - k)).
// With `flat` the step is 0 and every sample is a.
inline void expandSegment(int a, int b, int k, bool flat, unsigned char* out, int stride) {
  const std::int32_t step = flat ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(b - a) << (16 - k));
  std::uint32_t acc = static_cast<std::uint32_t>(a) << 16;
  const int count = 1 << k;
  for (int i = 0; i < count; ++i) {
    out[i * stride] = static_cast<unsigned char>(acc >> 16);
    acc += static_cast<std::uint32_t>(step);
  }
}
