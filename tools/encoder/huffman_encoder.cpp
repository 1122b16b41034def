// Builds the compressed block the presentation's Huffman decoder reads:
//
//   offset  size  field
//   0       4     outputCount  s32 LE: length of the decoded stream
//   4       1024  codes        256 x u32 LE code words (low `length` bits)
//   1028    256   lengths      256 x u8 code lengths, 0 = byte not used
//   1284    ...   bit stream   each byte's code, most significant code bit
//                              first, packed least significant bit first
//                              (stream bit k = bit k%8 of byte k/8)
//
// Lengths come from the byte frequencies (Huffman's construction, flattened
// until no code is longer than 32 bits); codes are canonical: ordered by
// length, then by byte value.
#include <algorithm>
#include <array>
#include <cstdint>
#include <queue>
#include <vector>

#include "encoder/image_encoder.h"

namespace {

constexpr int kMaxCodeLength = 32;

struct TreeItem {
  std::uint64_t weight;
  int order;  // tie-break so equal weights always merge the same way
  int node;
};

struct HeavierFirst {
  bool operator()(const TreeItem& a, const TreeItem& b) const {
    if (a.weight != b.weight) return a.weight > b.weight;
    return a.order > b.order;
  }
};

// Code lengths of Huffman's construction for the given weights (0 = unused).
std::array<int, 256> huffmanLengths(const std::array<std::uint64_t, 256>& weights) {
  std::array<int, 256> lengths{};
  std::vector<int> parent;
  std::priority_queue<TreeItem, std::vector<TreeItem>, HeavierFirst> queue;
  for (int s = 0; s < 256; ++s) {
    if (weights[s] == 0) continue;
    queue.push(TreeItem{weights[s], s, s});
  }
  if (queue.empty()) return lengths;
  if (queue.size() == 1) {
    lengths[queue.top().node] = 1;
    return lengths;
  }
  parent.assign(256, -1);
  int order = 256;
  while (queue.size() > 1) {
    const TreeItem a = queue.top();
    queue.pop();
    const TreeItem b = queue.top();
    queue.pop();
    const int node = static_cast<int>(parent.size());
    parent.push_back(-1);
    parent[a.node] = node;
    parent[b.node] = node;
    queue.push(TreeItem{a.weight + b.weight, order++, node});
  }
  for (int s = 0; s < 256; ++s) {
    if (weights[s] == 0) continue;
    int depth = 0;
    for (int n = s; parent[n] >= 0; n = parent[n]) ++depth;
    lengths[s] = depth;
  }
  return lengths;
}

}  // namespace

std::vector<std::uint8_t> buildHuffmanBlock(const std::vector<std::uint8_t>& stream) {
  std::array<std::uint64_t, 256> weights{};
  for (std::uint8_t byte : stream) ++weights[byte];
  std::array<int, 256> lengths = huffmanLengths(weights);
  // Flatten the frequencies until the longest code fits in 32 bits.
  while (*std::max_element(lengths.begin(), lengths.end()) > kMaxCodeLength) {
    for (auto& w : weights) {
      if (w != 0) w = (w >> 1) | 1;
    }
    lengths = huffmanLengths(weights);
  }

  // Canonical codes: by length, then by byte value.
  std::array<std::uint32_t, 256> codes{};
  std::uint64_t next = 0;
  int previousLength = 0;
  for (int length = 1; length <= kMaxCodeLength; ++length) {
    for (int s = 0; s < 256; ++s) {
      if (lengths[s] != length) continue;
      next <<= (length - previousLength);
      previousLength = length;
      codes[s] = static_cast<std::uint32_t>(next);
      ++next;
    }
  }

  std::vector<std::uint8_t> block(1284, 0);
  const std::uint32_t count = static_cast<std::uint32_t>(stream.size());
  for (int i = 0; i < 4; ++i) block[i] = static_cast<std::uint8_t>(count >> (8 * i));
  for (int s = 0; s < 256; ++s) {
    for (int i = 0; i < 4; ++i) block[4 + 4 * s + i] = static_cast<std::uint8_t>(codes[s] >> (8 * i));
    block[1028 + s] = static_cast<std::uint8_t>(lengths[s]);
  }

  std::uint64_t bits = 0;  // pending bits, first stream bit lowest
  int pending = 0;
  for (std::uint8_t byte : stream) {
    const int length = lengths[byte];
    const std::uint32_t code = codes[byte];
    for (int n = length - 1; n >= 0; --n) {
      bits |= std::uint64_t{(code >> n) & 1u} << pending;
      if (++pending == 8) {
        block.push_back(static_cast<std::uint8_t>(bits));
        bits = 0;
        pending = 0;
      }
    }
  }
  if (pending > 0) block.push_back(static_cast<std::uint8_t>(bits));
  return block;
}
