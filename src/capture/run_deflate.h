// A fast zlib compressor for filtered PNG rows. It finds only runs of one
// repeated byte (a match at distance 1), which is what the flat parts of a
// rendered frame become after filtering, and codes everything with one
// dynamic Huffman block built for the data. Several times faster than a
// general compressor's fastest level, for files a little larger.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends to `out` a complete zlib stream (header, one final deflate block,
// Adler-32) that inflates to the `size` bytes at `data`; returns its length.
std::size_t compressRuns(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

// The code lengths of a Huffman code for `count` symbols with these
// frequencies, none longer than `maxLength`. Symbols of frequency zero get
// no code (length 0); when fewer than two symbols occur, the first unused
// ones get codes too, so the code is always complete.
void huffmanCodeLengths(const std::uint32_t* frequencies, int count, int maxLength, std::uint8_t* lengths);
