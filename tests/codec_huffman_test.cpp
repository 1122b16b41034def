// The Huffman decoder: table and tree decoding, the stop rule, the padding
// bits, unmatched bits, and the encoder's blocks read back.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/colour_table.h"
#include "codec/huffman_decoder.h"
#include "encoder/image_encoder.h"
#include "support/codec_streams.h"

namespace {

using codec_test::Bytes;

struct Code {
  int symbol;
  int length;
  std::uint32_t word;
};

// A block with the given codes, outputCount and stream bytes.
Bytes makeBlock(std::int32_t outputCount, const std::vector<Code>& codes, const Bytes& stream) {
  Bytes block(kHuffmanHeaderBytes, 0);
  std::memcpy(block.data(), &outputCount, 4);
  for (const Code& c : codes) {
    std::memcpy(block.data() + 4 + 4 * c.symbol, &c.word, 4);
    block[1028 + c.symbol] = static_cast<std::uint8_t>(c.length);
  }
  block.insert(block.end(), stream.begin(), stream.end());
  return block;
}

// Packs bits (first stream bit first) least significant bit first.
Bytes packBits(const std::vector<int>& bits) {
  Bytes out((bits.size() + 7) / 8, 0);
  for (std::size_t k = 0; k < bits.size(); ++k) out[k / 8] |= static_cast<std::uint8_t>(bits[k] << (k % 8));
  return out;
}

Bytes decodeBlock(const Bytes& block, int capacity = 64) {
  HuffmanDecoder decoder;
  decoder.attachBlock(block.data(), static_cast<std::int64_t>(block.size()));
  Bytes out(capacity, 0xCC);
  out.resize(decoder.decodeInto(out.data(), capacity));
  return out;
}

// 0x41 = 0, 0x42 = 10, 0x43 = 11.
const std::vector<Code> kAbc = {{0x41, 1, 0}, {0x42, 2, 2}, {0x43, 2, 3}};
// 'a' = 0, 'b' = 10, 'd' = 111, 'c' = 110000000000 (12 bits, through the tree).
const std::vector<Code> kWithLong = {{'a', 1, 0}, {'b', 2, 2}, {'d', 3, 7}, {'c', 12, 0xC00}};

TEST(HuffmanDecoder, DecodesBlocksByTheRules) {
  struct Case {
    const char* what;
    std::int32_t outputCount;
    std::vector<Code> codes;
    Bytes stream;
    Bytes expected;
  };
  const Case cases[] = {
      // (Short codes, padding bits and the ends of stream and count are
      // checked against the bit-by-bit rules below.)
      {"empty stream", 3, kAbc, {}, {}},
      {"negative count", -5, kAbc, {0x1A}, {}},
      {"long code between short ones", 6, kWithLong,
       packBits({0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
       {'a', 'c', 'a', 'd', 'b', 'c'}},
      // 'c' ends the stream: the window looks past the final byte, but
      // nothing beyond the block is read (sanitizer build).
      {"long code at the end", 2, kWithLong, packBits({1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), {'b', 'c'}},
      // Only 'a' and 'c' have codes. 1,1 walk two nodes down c's path and the
      // third 1 finds no child: the inner node's symbol 0, two bits consumed.
      // Then 1 and a 0 with no child: 0 after one bit. Then 0 is 'a'.
      {"unmatched bits", 3, {{'a', 1, 0}, {'c', 12, 0xC00}}, packBits({1, 1, 1, 0, 0}), {0, 0, 'a'}},
      // The root holds the highest symbol without a code (0xFF); a leading 1
      // stops at the root at once and consumes nothing.
      {"root symbol", 3, {{0x41, 1, 0}}, {0x01}, {0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(decodeBlock(makeBlock(c.outputCount, c.codes, c.stream)), c.expected);
  }
}

TEST(HuffmanDecoder, OutputCountAboveTheBufferIsCutAtTheBuffer) {
  ASSERT_EQ(initImageCodec(), 1);
  // 0x41 = "0": 30,000 zero bytes hold 240,000 codes; ask for 250,000.
  const Bytes block = makeBlock(250000, {{0x41, 1, 0}, {0x42, 1, 1}}, Bytes(30000, 0));
  huffmanDecoder.attachBlock(block.data(), static_cast<std::int64_t>(block.size()));
  const unsigned char* out = huffmanDecoder.decode();
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(huffmanDecoder.writtenCount(), kDecodedStreamBytes);
  EXPECT_EQ(out[kDecodedStreamBytes - 1], 0x41);
}

// The decoding rules one bit at a time, with no tables: the reference the
// table-driven decoder must match byte for byte.
Bytes referenceDecode(const Bytes& block, int capacity) {
  std::int32_t count;
  std::memcpy(&count, block.data(), 4);
  const std::size_t streamLength = block.size() - kHuffmanHeaderBytes;
  auto bitAt = [&](std::int64_t k) {
    const std::size_t byte = static_cast<std::size_t>(k / 8);
    return byte < streamLength ? (block[kHuffmanHeaderBytes + byte] >> (k % 8)) & 1 : 0;
  };
  Bytes out;
  std::int64_t k = 0;
  if (streamLength == 0) return out;
  while (static_cast<int>(out.size()) < std::min<int>(count, capacity)) {
    // The longest code (by length, then highest symbol for the table's
    // overwrite order) among those matching at k; else the root's symbol.
    int match = -1;
    for (int s = 0; s < 256; ++s) {
      const int length = block[1028 + s];
      if (length == 0 || length > 10) continue;
      std::uint32_t word;
      std::memcpy(&word, block.data() + 4 + 4 * s, 4);
      bool equal = true;
      for (int n = 0; n < length; ++n) equal &= bitAt(k + n) == static_cast<int>((word >> (length - 1 - n)) & 1);
      if (equal) match = s;  // later symbols overwrite earlier ones
    }
    if (match < 0) break;  // only prefix codes of up to 10 bits are used here
    out.push_back(static_cast<std::uint8_t>(match));
    k += block[1028 + match];
    if (k / 8 >= static_cast<std::int64_t>(streamLength)) break;
  }
  return out;
}

TEST(HuffmanDecoder, MultiSymbolLookupsMatchTheBitByBitRules) {
  // Random short prefix codes, stream lengths and output counts beyond the
  // coded symbols: the ends of both stream and count land anywhere,
  // including among the symbols of one lookup.
  unsigned seed = 99;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int round = 0; round < 300; ++round) {
    Bytes stream(1 + next() % 600);
    const int alphabet = 2 + static_cast<int>(next() % 60);
    for (auto& b : stream) b = static_cast<std::uint8_t>(next() % alphabet * (next() % 4 == 0 ? 1 : 0));
    Bytes block = buildHuffmanBlock(stream);
    bool shortCodes = true;
    for (int s = 0; s < 256; ++s) shortCodes &= block[1028 + s] <= 10;
    if (!shortCodes) continue;
    const std::int32_t count = static_cast<std::int32_t>(stream.size() + next() % 40);
    std::memcpy(block.data(), &count, 4);
    const Bytes expected = referenceDecode(block, 5000);
    ASSERT_EQ(decodeBlock(block, 5000), expected) << "round " << round;
    ASSERT_EQ(Bytes(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(stream.size())), stream);
  }
}

TEST(HuffmanEncoder, BlocksDecodeBackToTheirStreamWithCodesOf32BitsAtMost) {
  // Skewed frequencies give codes longer than 10 bits; frequencies growing
  // like Fibonacci numbers over 36 symbols push Huffman's lengths to 35 and
  // must be flattened; a single-symbol stream and an empty one are corners.
  Bytes skewed, fibonacci;
  for (int i = 0; i < 20000; ++i) skewed.push_back(static_cast<std::uint8_t>(i % 7 == 0 ? i % 256 : 3));
  for (int s = 0; s < 256; ++s) skewed.push_back(static_cast<std::uint8_t>(s));
  std::uint64_t a = 1, b = 1;
  for (int s = 0; s < 36; ++s, b += a, a = b - a) fibonacci.insert(fibonacci.end(), a, static_cast<std::uint8_t>(s));
  for (const Bytes& stream : {skewed, fibonacci, Bytes(1000, 0x55), Bytes{}, Bytes{1, 2, 3, 4, 5}}) {
    const Bytes block = buildHuffmanBlock(stream);
    for (int s = 0; s < 256; ++s) EXPECT_LE(block[1028 + s], 32);
    EXPECT_EQ(decodeBlock(block, static_cast<int>(stream.size()) + 8), stream);
  }
}

}  // namespace
