#include "codec/huffman_decoder.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codec/colour_table.h"

static_assert(std::endian::native == std::endian::little, "table entries store their symbols in byte order");

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
  bool overlapping = false;
  int longestLength = 0;
  nodeCount_ = 0;
  root_ = newNode(-1);
  cursor_ = root_;
  for (int s = 0; s < 256; ++s) {
    const int length = lengths_[s];
    if (length > longestLength) longestLength = length;
    if (length == 0) {
      // The root ends up holding the highest symbol without a code.
      nodes_[root_].symbol = static_cast<std::uint8_t>(s);
    } else if (length <= kHuffmanFastBits) {
      const unsigned first = reverseBits(codes_[s], length);
      for (unsigned j = first; j < kHuffmanFastEntries; j += 1u << length) {
        overlapping |= fast_[j].length != 0;
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
  multiUsable_ = !overlapping && longestLength <= 32;
  if (multiUsable_) buildMultiTable();
}

// With no two short codes sharing a table entry, an entry of length L is
// the same for every value of the window's bits above L. So for a 12-bit
// index the first symbol is fast_[index & 1023], and each further one
// follows while the bits left are enough to pick its entry.
void HuffmanDecoder::buildMultiTable() {
  for (unsigned i = 0; i < kMultiEntries; ++i) {
    std::uint64_t entry = 0;  // count 0: walk the tree
    int used = 0;
    int count = 0;
    while (count < kMultiSymbols) {
      const FastEntry next = fast_[(i >> used) & (kHuffmanFastEntries - 1)];
      if (next.length == 0 || used + next.length > kMultiBits) break;
      entry |= std::uint64_t{next.symbol} << (16 + 8 * count);
      used += next.length;
      ++count;
    }
    multi_[i] = entry | static_cast<std::uint64_t>(used) | (static_cast<std::uint64_t>(count) << 8);
  }
}

// Bytes past the end of the stream read as zero: the block that follows in
// memory is never looked at.
unsigned HuffmanDecoder::streamByte(std::int64_t pos) const {
  return pos < streamLength_ ? stream_[pos] : 0u;
}

int HuffmanDecoder::decodeInto(unsigned char* out, int capacity) {
  written_ = 0;
  buildTables();
  if (out == nullptr || streamLength_ <= 0 || outputCount_ <= 0) return 0;
  const int count = outputCount_ < capacity ? outputCount_ : capacity;
  const std::int64_t endBits = streamLength_ * 8;

  // The next stream bits, first bit lowest, with bytes past the stream read
  // as zero: bits[0..available) start at bit position `consumed`.
  std::uint64_t bits = 0;
  int available = 0;
  std::int64_t nextByte = 0;
  std::int64_t consumed = 0;
  auto refill = [&] {
    if (nextByte + 8 <= streamLength_) {
      std::uint64_t word;
      std::memcpy(&word, stream_ + nextByte, 8);
      bits |= word << available;
      nextByte += (63 - available) >> 3;
      available |= 56;
    } else {
      while (available <= 56) {
        bits |= std::uint64_t{streamByte(nextByte)} << available;
        ++nextByte;
        available += 8;
      }
    }
  };

  // Tree walk for a code that the table does not hold, from bit position
  // `consumed`; the bit that finds no child is left for the next symbol.
  auto walk = [&]() -> std::uint8_t {
    std::int64_t pos = consumed >> 3;
    unsigned bit = static_cast<unsigned>(consumed & 7);
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
    const std::uint8_t symbol = nodes_[cursor_].symbol;
    cursor_ = root_;
    consumed = pos * 8 + bit;
    nextByte = pos;
    bits = 0;
    available = 0;
    refill();
    bits >>= bit;
    available -= static_cast<int>(bit);
    return symbol;
  };

  int written = 0;
  // Up to four symbols per lookup while far from both ends: no stop can
  // fall among them. Each lookup stores four bytes; those past the symbols
  // it holds are overwritten by the symbols that follow, and the guards
  // below leave room for at least three more (a code is at most 32 bits).
  if (multiUsable_) {
    // One refill leaves at least 56 bits: four lookups of up to 12 bits.
    while (written + 4 * kMultiSymbols + 4 <= count && consumed + 48 + 3 * 32 + 8 <= endBits) {
      refill();
      for (int lookup = 0; lookup < 4; ++lookup) {
        const std::uint64_t entry = multi_[bits & (kMultiEntries - 1)];
        const unsigned symbols = static_cast<unsigned>(entry >> 8) & 0xFF;
        if (symbols == 0) {
          out[written++] = walk();
          break;  // a walk of at most 32 bits cannot reach the end here
        }
        const unsigned length = static_cast<unsigned>(entry) & 0xFF;  // at most 12
        const std::uint32_t bytes = static_cast<std::uint32_t>(entry >> 16);
        std::memcpy(out + written, &bytes, 4);
        written += static_cast<int>(symbols);
        bits >>= (entry & 63);  // the length itself; the mask lets the shift use it directly
        available -= static_cast<int>(length);
        consumed += length;
      }
    }
  }
  while (written < count) {
    refill();
    const FastEntry entry = fast_[bits & (kHuffmanFastEntries - 1)];
    if (entry.length != 0) {
      out[written] = entry.symbol;
      bits >>= entry.length;
      available -= entry.length;
      consumed += entry.length;
    } else {
      out[written] = walk();
    }
    ++written;
    if (consumed >= endBits) break;  // pos has reached the end of the stream
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
