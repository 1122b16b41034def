// Whole-container soundness check, run by the loader at start-up before
// the presentation decodes anything from a container. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/colour_table.h"
#include "codec/huffman_decoder.h"

// The most entries a container's offset table may have (4096 images and the
// end offset), and the longest block: its header and, with codes of at most
// 32 bits, 4 bytes for each of the 200,000 bytes it may decode to.
constexpr std::uint32_t kMaxContainerEntries = 4097;
constexpr std::uint64_t kMaxContainerBlockBytes = kHuffmanHeaderBytes + 4 * std::uint64_t{kDecodedStreamBytes};
// The largest container the format allows: the largest table, each block as
// long as a block can be.
constexpr std::uint64_t kMaxContainerBytes =
    4 + 4 * std::uint64_t{kMaxContainerEntries} + (kMaxContainerEntries - 1) * kMaxContainerBlockBytes;

// True when `data` (size bytes) is a packed image container that every
// index of decodeContainerImage decodes within its bounds: an entry count
// that fits, at least one image, offsets in order and inside the data area,
// blocks at least as long as their header and at most
// kMaxContainerBlockBytes long, no bytes past the last block, decoded sizes
// of 0..200,000 bytes, code lengths of at most 32, and decoded streams whose header and
// sections are valid and complete. Otherwise false with `problem` (may be
// null) set to a short sentence, e.g. "image 3: stream shorter than its
// sections". Uses its own decoder and buffer: the codec's state is not
// touched.
bool checkContainer(const unsigned char* data, std::size_t size, std::string* problem);

// The largest a container whose file begins with `head` (headBytes bytes,
// fewer than the whole file when it is long) may be, from its entry count
// and offset table, with the words for what sets it ("its offset table
// describes"). Above this size a file is refused without reading further:
// checkContainer would refuse it. UINT64_MAX when the head is too short to
// tell (such a file is short, and checkContainer names its fault).
std::uint64_t containerSizeLimit(const unsigned char* head, std::size_t headBytes, std::string* what);
