// The image encoder: a Picture into one compressed image block (a Huffman
// block whose decoded stream is a luma section and, for colour, two chroma
// grids), and blocks into a packed image container. The inverse of the
// presentation's decoder (src/codec). Deterministic; any thread, no shared
// state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/picture.h"

struct EncodeStats {
  int width = 0;
  int height = 0;
  int channels = 0;          // 3 or 1 as stored
  int lumaCellWidth = 0;     // 0 = raw luma
  int lumaCellHeight = 0;
  int chromaCellWidth = 0;   // 0 for one-channel images
  int chromaCellHeight = 0;
  int residualShift = 0;
  int detailCells = 0;       // cells carrying corrections
  int lumaCells = 0;
  int decodedBytes = 0;      // decoded stream, at most 200,000
  int blockBytes = 0;        // compressed block with its 1284-byte header
  double lumaPsnr = 0.0;     // of the luma plane the decoder will rebuild
};

// Decoded-stream budget of one image.
constexpr int kEncoderStreamBudget = 200000;

// Encodes `picture` (channels 3 -> colour image, 4 -> colour with alpha
// dropped, 1 -> one-channel image) into `block`. Cell sizes, details and
// residual shift are chosen for the best quality within 200,000 decoded
// bytes, among the cells that divide the picture's width and height.
// Returns false with `error` set when the picture cannot be encoded (size
// outside 1..512, no layout that fits the budget).
bool encodeImage(const Picture& picture, std::vector<std::uint8_t>* block, std::string* error,
                 EncodeStats* stats = nullptr);

// As encodeImage with a smaller decoded-stream budget (at most 200,000;
// at least the header and the coarsest layout). The decode time of an image
// grows with its stream, so pictures decoded every frame (the animated
// picture) can trade a little quality for speed.
bool encodeImageWithBudget(const Picture& picture, int streamBudget, std::vector<std::uint8_t>* block,
                           std::string* error, EncodeStats* stats = nullptr);

// Packs blocks into a container: N = blocks + 1 offsets, then the blocks.
std::vector<std::uint8_t> packContainer(const std::vector<std::vector<std::uint8_t>>& blocks);

// Builds a Huffman block for an already formed decoded stream (at most
// 200,000 bytes): code lengths from the byte frequencies (at most 32), codes
// sent most significant bit first, stream written least significant bit
// first.
std::vector<std::uint8_t> buildHuffmanBlock(const std::vector<std::uint8_t>& stream);
