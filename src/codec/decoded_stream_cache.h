// Decoded image streams kept for blocks decoded before. The presentation
// decodes the same few dozen pictures again on every frame, and the Huffman
// stream of one is a serial pass that no drawing thread can share; a block
// seen before is instead copied out of here. A block is found only when all
// of its bytes equal the ones decoded then, so the result is the decoder's
// own, byte for byte (decoding depends on nothing but the block). Bounded
// by a byte budget: the blocks used least recently go first. Main thread
// only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class DecodedStreamCache {
 public:
  explicit DecodedStreamCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

  // The bytes `block` decoded to (the decoder's written bytes), or nullptr
  // when this block was not kept. Valid until the next add or clear.
  const std::vector<unsigned char>* find(const unsigned char* block, std::size_t size);
  // Keeps a copy of `block` and of the `written` bytes it decoded to. One
  // larger than the whole budget is not kept.
  void add(const unsigned char* block, std::size_t size, const unsigned char* decoded, std::size_t written);
  void clear();

  std::size_t bytesKept() const { return bytes_; }
  std::size_t entries() const { return entries_.size(); }

 private:
  struct Entry {
    const unsigned char* address;  // where the block was when decoded: a quick first match
    std::vector<unsigned char> block;
    std::vector<unsigned char> decoded;
    std::uint64_t lastUse;
  };
  static std::size_t cost(const Entry& entry) { return entry.block.size() + entry.decoded.size(); }

  std::size_t budget_;
  std::size_t bytes_ = 0;
  std::uint64_t clock_ = 0;
  std::vector<Entry> entries_;
};
