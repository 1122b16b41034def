// The image decoder: one image of a packed image container into pixels in
// imageScratch. Main thread only; one image at a time (every decode
// overwrites the scratch buffer and the values below).
//
// Packed image container, all fields little-endian:
//
//   offset    size  field
//   0         4     N: u32 count of offset-table entries (N - 1 images)
//   4         4*N   offsets: u32, measured from the start of the data area
//   4 + 4*N   ...   data area: compressed blocks back to back
//
// Image i is the block at data-area offset[i], offset[i+1] - offset[i] bytes
// long (a Huffman block, see huffman_decoder.h, whose decoded stream is laid
// out as in image_layout.h).
//
// Output in the destination, rows packed with no gap:
//   three channels: 4 bytes per pixel, luma, chroma A, chroma B, byte 3 untouched
//   one channel:    1 byte per pixel
// Bytes a decode does not write keep what an earlier decode left there.
#pragma once

#include <cstddef>
#include <cstdint>

// 512 * 512 * 4 + 2048.
constexpr std::size_t kImageScratchBytes = 1050624;

// The scratch image buffer: one decoded image at a time.
extern unsigned char imageScratch[kImageScratchBytes];
// Size of the image decoded last (0 x 0 after a refused image).
extern std::int32_t decodedWidth;
extern std::int32_t decodedHeight;
// Channels of the image decoded last: 3, 1, or 0 after a refused image.
extern int decodedChannels;
// 0, 1, 2 for decoded widths 128, 256, 512; any other width leaves it as
// it was. 1 before the first decode.
extern int sizeClass;
// Set when the last container request was out of range and image 0 was
// decoded instead.
extern bool indexOutOfRange;

// N - 1, the number of images in a container (reads only its first field).
int imageCount(const unsigned char* container);

// Decodes one compressed block of `size` bytes into `destination`, which
// must hold kImageScratchBytes bytes; sets decodedWidth/decodedHeight.
// Requires initImageCodec. Returns 1 when the image was decoded. An image
// that cannot be decoded safely (block shorter than its header, size outside
// 1..512, cell sizes other than the powers of two allowed, sizes that are
// not multiples of the cells, sections running past the 200,000-byte decoded
// stream) is refused: nothing is written, the size becomes 0 x 0 and the
// result is 0. A stream that ends before its sections (but within the
// buffer) decodes with what the decoded-stream buffer held.
int decodeImage(const unsigned char* block, std::int64_t size, unsigned char* destination);

// Whether decodeImage keeps decoded streams for blocks it sees again
// (decoded_stream_cache.h; on by default, within 64 MB). Off, every block is
// decoded afresh: for the fuzz targets, whose inputs never repeat.
void setDecodedStreamCaching(bool on);
// Keeps `block`'s decoded stream (its `written` bytes, as the decoder gave
// them) for decodeImage, when caching is on and it is not kept already:
// checkContainer, which decodes every block of a loaded file, hands them on.
void keepDecodedStream(const unsigned char* block, std::int64_t size, const unsigned char* decoded, int written);

// Decodes image `index` of a loaded container into imageScratch. An index
// outside 0..N-2 decodes image 0 and sets indexOutOfRange. Updates
// sizeClass from the width. Returns the index actually decoded. The block
// size comes from the container's own offsets; run checkContainer on the
// loaded buffer first, because without the buffer's size a lying offset
// table cannot be caught here. Returns -1 (nothing decoded) for a container
// without images or with offsets out of order.
int decodeContainerImage(const unsigned char* container, int index);

// As decodeContainerImage for a container of `containerSize` bytes: a block
// that does not lie inside the buffer is refused (-1, nothing decoded).
int decodeContainerImageSized(const unsigned char* container, std::size_t containerSize, int index);
