// Helpers for the codec tests: decoded image streams written by hand,
// wrapped into Huffman blocks and containers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "codec/colour_table.h"
#include "codec/image_decoder.h"
#include "encoder/image_encoder.h"

namespace codec_test {

using Bytes = std::vector<std::uint8_t>;

struct StreamHeader {
  int width = 4;
  int height = 4;
  int lumaCellWidth = 4;
  int lumaCellHeight = 4;
  int chromaCellWidth = 4;
  int chromaCellHeight = 4;
  int verticalInterpolation = 1;
  int residualShift = 0;
  int channelMode = 0;
};

inline Bytes headerBytes(const StreamHeader& h) {
  return Bytes{static_cast<std::uint8_t>(h.width & 0xFF), static_cast<std::uint8_t>(h.width >> 8),
               static_cast<std::uint8_t>(h.height & 0xFF), static_cast<std::uint8_t>(h.height >> 8),
               static_cast<std::uint8_t>(h.lumaCellWidth), static_cast<std::uint8_t>(h.lumaCellHeight),
               static_cast<std::uint8_t>(h.chromaCellWidth), static_cast<std::uint8_t>(h.chromaCellHeight),
               static_cast<std::uint8_t>(h.verticalInterpolation), 0,
               static_cast<std::uint8_t>(h.residualShift), static_cast<std::uint8_t>(h.channelMode)};
}

inline void append(Bytes* out, const Bytes& more) { out->insert(out->end(), more.begin(), more.end()); }

// A whole block: a Huffman code for the stream's bytes and the coded bits.
inline Bytes blockFor(const Bytes& stream) { return buildHuffmanBlock(stream); }

// Decodes `stream` (through a Huffman block) into a fresh destination that
// starts filled with `fill`.
inline Bytes decodeStream(const Bytes& stream, std::uint8_t fill = 0xEE) {
  Bytes destination(kImageScratchBytes, fill);
  const Bytes block = blockFor(stream);
  decodeImage(block.data(), static_cast<std::int64_t>(block.size()), destination.data());
  return destination;
}

inline bool codecReady() { return initImageCodec() == 1; }

}  // namespace codec_test
