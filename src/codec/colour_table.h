// The colour conversion table and the image codec's work buffers, made once
// by initImageCodec at the start of asset loading. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// 2^20 ready A8R8G8B8 texels, one per (luma Y, chroma A, chroma B) at index
// Y*4096 + A*64 + B, followed by 16 spare entries (4,194,368 bytes in all).
constexpr std::size_t kColourTableEntries = std::size_t{1} << 20;
constexpr std::size_t kColourTableBytes = 4194368;
// Decoded image stream: one image never decodes to more than this.
constexpr int kDecodedStreamBytes = 200000;
// Luma and chroma row buffers. The horizontal passes fill (rows + 1) * W
// bytes; sized for the largest image (512 wide, 1-pixel-high cells, 513
// rows) so no valid image is ever cut.
constexpr std::size_t kRowBufferBytes = 513 * 512;
// The chroma row buffer holds both chroma grids' rows at once (grid B's
// from kRowBufferBytes on), so the two grids expand into the pixels together.
constexpr std::size_t kChromaRowBufferBytes = 2 * kRowBufferBytes;
// Luma base plane, up to 512 x 512.
constexpr std::size_t kLumaBaseBytes = 262144;

extern std::uint32_t* colourTable;
extern unsigned char* chromaRows;
extern unsigned char* lumaRows;
extern unsigned char* lumaBase;
extern unsigned char* decodedStream;

// Allocates the work buffers (zero-filled, so every decode is reproducible)
// in the order colourTable, chromaRows, lumaRows, lumaBase, decodedStream and
// fills colourTable. Returns 1 on success, -1 at the first buffer that cannot
// be allocated (those before it stay allocated; the table is not built).
// Calling it again after a success changes nothing and returns 1.
int initImageCodec();

// The table entry for one (Y, A, B), computed directly (what initImageCodec
// stores at Y*4096 + A*64 + B).
std::uint32_t colourTableEntry(int luma, int chromaA, int chromaB);

// Index of a decoded pixel's bytes in colourTable: ((b0 << 6 | b1) << 6) | b2.
// Chroma bytes above 63 OR into the higher fields; the result is always
// below 2^20.
inline std::uint32_t colourIndex(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  return ((((std::uint32_t{b0} << 6) | b1) << 6) | b2) & 0xFFFFFu;
}
