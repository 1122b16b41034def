// The Huffman decoder that expands one compressed image block into the
// decoded image stream. Main thread only; not reentrant.
//
// Compressed block, all fields little-endian:
//
//   offset  size  field
//   0       4     outputCount  signed 32-bit: number of bytes to decode
//   4       1024  codes        256 x u32 code words, indexed by byte value
//   1028    256   lengths      256 x u8 code lengths (0 = byte has no code)
//   1284    ...   bit stream   the coded bytes, to the end of the block
//
// Symbol s has the code formed by the low lengths[s] bits of codes[s]. The
// stream is read least significant bit first (stream bit k is bit k%8 of byte
// k/8); a code is sent most significant bit first.
//
//   byte 0: b7 b6 b5 b4 b3 b2 b1 b0   <- b0 is the first stream bit
//
// Codes of up to 10 bits decode through a 1024-entry table indexed by the
// next 10 stream bits; longer codes walk a binary tree one bit at a time.
#pragma once

#include <cstdint>

constexpr int kHuffmanHeaderBytes = 1284;
constexpr int kHuffmanFastBits = 10;
constexpr int kHuffmanFastEntries = 1 << kHuffmanFastBits;
// A second lookup table decodes up to four short codes at once when they
// fit in 12 bits; it gives the same bytes as the one-symbol table.
constexpr int kMultiBits = 12;
constexpr unsigned kMultiEntries = 1u << kMultiBits;
constexpr int kMultiSymbols = 4;

class HuffmanDecoder {
 public:
  // Reserves room for a full tree of 32-bit codes. Writes "Out of memory!"
  // and ends the process with status 1 when that cannot be allocated.
  HuffmanDecoder();
  ~HuffmanDecoder();
  HuffmanDecoder(const HuffmanDecoder&) = delete;
  HuffmanDecoder& operator=(const HuffmanDecoder&) = delete;

  // Copies the header out of `block` and borrows the (blockSize - 1284)
  // stream bytes after it; the block stays the caller's and must outlive the
  // next decode. A block shorter than its header is taken as an empty one:
  // nothing of it is read and nothing decodes.
  void attachBlock(const unsigned char* block, std::int64_t blockSize);

  // Builds the lookup table and tree for the attached block and decodes into
  // the process-wide decoded-stream buffer (allocated by initImageCodec).
  // Returns that buffer, or nullptr when initImageCodec has not run. An
  // outputCount above the buffer's 200,000 bytes is cut at the buffer.
  unsigned char* decode();

  // As decode, into `out` holding `capacity` bytes; at most
  // min(outputCount, capacity) bytes are written. Returns the count written.
  int decodeInto(unsigned char* out, int capacity);

  // outputCount of the attached block as its header states it.
  std::int32_t outputCount() const { return outputCount_; }
  // Bytes written by the last decode (fewer than asked when the stream ran
  // out first).
  int writtenCount() const { return written_; }
  // Code lengths of the attached block (for checks of whole containers).
  const std::uint8_t* lengths() const { return lengths_; }

 private:
  struct FastEntry {
    std::uint8_t symbol;
    std::uint8_t length;  // 0 = no code of up to 10 bits starts here
  };
  struct Node {
    std::int32_t parent;
    std::int32_t childOne;   // -1 = none
    std::int32_t childZero;  // -1 = none
    std::uint8_t symbol;
  };

  void buildTables();
  void buildMultiTable();
  std::int32_t newNode(std::int32_t parent);
  unsigned streamByte(std::int64_t pos) const;

  std::int32_t outputCount_ = 0;
  std::uint32_t codes_[256] = {};
  std::uint8_t lengths_[256] = {};
  const unsigned char* stream_ = nullptr;
  std::int64_t streamLength_ = 0;
  int written_ = 0;

  FastEntry fast_[kHuffmanFastEntries] = {};
  // bits used | symbol count << 8 | symbols 1..4 from bit 16 on
  std::uint64_t multi_[kMultiEntries] = {};
  bool multiUsable_ = false;
  Node* nodes_ = nullptr;
  std::int32_t nodeCount_ = 0;
  std::int32_t nodeCapacity_ = 0;
  std::int32_t root_ = 0;
  std::int32_t cursor_ = 0;
};

// The one decoder of the process, constructed during static initialisation
// right after imageScratch.
extern HuffmanDecoder huffmanDecoder;
