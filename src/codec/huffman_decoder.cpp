#include "codec/huffman_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codec/colour_table.h"

namespace {

// Room for the root and one node per bit of every code of up to 32 bits;
// lengths above that (not a valid block) grow the pool on demand.
constexpr std::int32_t kInitialNodes = 256 * 32 + 1;

[[noreturn]] void outOfMemory() {
  std::fputs("Out of memory!\n", stdout);
  std::fflush(stdout);
  std::exit(1);
}

std::uint32_t readU32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

unsigned reverseBits(std::uint32_t value, int count) {
  unsigned reversed = 0;
  for (int i = 0; i < count; ++i) {
    reversed = (reversed << 1) | ((value >> i) & 1u);
  }
  return reversed;
}

}  // namespace

HuffmanDecoder::HuffmanDecoder() {
  nodes_ = new (std::nothrow) Node[kInitialNodes];
  if (nodes_ == nullptr) outOfMemory();
  nodeCapacity_ = kInitialNodes;
}

HuffmanDecoder::~HuffmanDecoder() { delete[] nodes_; }

void HuffmanDecoder::attachBlock(const unsigned char* block, std::int64_t blockSize) {
  if (block == nullptr || blockSize < kHuffmanHeaderBytes) {
    outputCount_ = 0;
    std::memset(codes_, 0, sizeof codes_);
    std::memset(lengths_, 0, sizeof lengths_);
    stream_ = nullptr;
    streamLength_ = 0;
    return;
  }
  outputCount_ = static_cast<std::int32_t>(readU32(block));
  for (int s = 0; s < 256; ++s) codes_[s] = readU32(block + 4 + 4 * s);
  std::memcpy(lengths_, block + 1028, 256);
  stream_ = block + kHuffmanHeaderBytes;
  streamLength_ = blockSize - kHuffmanHeaderBytes;
}

std::int32_t HuffmanDecoder::newNode(std::int32_t parent) {
  if (nodeCount_ == nodeCapacity_) {
    const std::int32_t capacity = nodeCapacity_ * 2;
    Node* grown = new (std::nothrow) Node[capacity];
    if (grown == nullptr) outOfMemory();
    std::memcpy(grown, nodes_, sizeof(Node) * nodeCount_);
    delete[] nodes_;
    nodes_ = grown;
    nodeCapacity_ = capacity;
  }
  nodes_[nodeCount_] = Node{parent, -1, -1, 0};
  return nodeCount_++;
}

void HuffmanDecoder::buildTables() {
  std::memset(fast_, 0, sizeof fast_);
  nodeCount_ = 0;
  root_ = newNode(-1);
  cursor_ = root_;
  for (int s = 0; s < 256; ++s) {
    const int length = lengths_[s];
    if (length == 0) {
      // The root ends up holding the highest symbol without a code.
      nodes_[root_].symbol = static_cast<std::uint8_t>(s);
    } else if (length <= kHuffmanFastBits) {
      const unsigned first = reverseBits(codes_[s], length);
      for (unsigned j = first; j < kHuffmanFastEntries; j += 1u << length) {
        fast_[j] = FastEntry{static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(length)};
      }
    } else {
      std::int32_t node = root_;
      for (int n = length - 1; n >= 0; --n) {
        // A code word has 32 bits; positions above them read as 0.
        const bool one = n < 32 && ((codes_[s] >> n) & 1u) != 0;
        std::int32_t child = one ? nodes_[node].childOne : nodes_[node].childZero;
        if (child < 0) {
          child = newNode(node);  // may move nodes_
          (one ? nodes_[node].childOne : nodes_[node].childZero) = child;
        }
        node = child;
      }
      nodes_[node].symbol = static_cast<std::uint8_t>(s);
    }
  }
  cursor_ = root_;
}

// Bytes past the end of the stream read as zero: the block that follows in
// memory is never looked at.
unsigned HuffmanDecoder::streamByte(std::int64_t pos) const {
  return pos < streamLength_ ? stream_[pos] : 0u;
}

std::uint32_t HuffmanDecoder::streamWord(std::int64_t pos) const {
  if (pos + 4 <= streamLength_) return readU32(stream_ + pos);
  return streamByte(pos) | (streamByte(pos + 1) << 8) | (streamByte(pos + 2) << 16) |
         (std::uint32_t{streamByte(pos + 3)} << 24);
}

int HuffmanDecoder::decodeInto(unsigned char* out, int capacity) {
  written_ = 0;
  buildTables();
  if (out == nullptr || streamLength_ <= 0 || outputCount_ <= 0) return 0;
  const int count = outputCount_ < capacity ? outputCount_ : capacity;
  std::int64_t pos = 0;
  unsigned bit = 0;
  int written = 0;
  while (written < count) {
    const unsigned window = (streamWord(pos) >> bit) & (kHuffmanFastEntries - 1);
    const FastEntry entry = fast_[window];
    if (entry.length != 0) {
      out[written] = entry.symbol;
      bit += entry.length;
      pos += bit >> 3;
      bit &= 7;
    } else {
      // Walk the tree from the code's first bit; the bit that finds no
      // child is left for the next symbol.
      cursor_ = root_;
      for (;;) {
        const bool one = ((streamByte(pos) >> bit) & 1u) != 0;
        const std::int32_t child = one ? nodes_[cursor_].childOne : nodes_[cursor_].childZero;
        if (child < 0) break;
        cursor_ = child;
        if (++bit == 8) {
          bit = 0;
          ++pos;
        }
      }
      out[written] = nodes_[cursor_].symbol;
      cursor_ = root_;
    }
    ++written;
    if (pos >= streamLength_) break;
  }
  written_ = written;
  return written;
}

unsigned char* HuffmanDecoder::decode() {
  if (decodedStream == nullptr) {
    written_ = 0;
    return nullptr;
  }
  decodeInto(decodedStream, kDecodedStreamBytes);
  return decodedStream;
}
