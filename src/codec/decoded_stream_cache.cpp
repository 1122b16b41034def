#include "codec/decoded_stream_cache.h"

#include <algorithm>
#include <cstring>

const std::vector<unsigned char>* DecodedStreamCache::find(const unsigned char* block, std::size_t size) {
  auto same = [&](const Entry& entry) {
    return entry.block.size() == size && (size == 0 || std::memcmp(entry.block.data(), block, size) == 0);
  };
  // Usually the block is where it was last time; otherwise any copy of it.
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& entry) { return entry.address == block && same(entry); });
  if (it == entries_.end()) it = std::find_if(entries_.begin(), entries_.end(), same);
  if (it == entries_.end()) return nullptr;
  it->address = block;
  it->lastUse = ++clock_;
  return &it->decoded;
}

void DecodedStreamCache::add(const unsigned char* block, std::size_t size, const unsigned char* decoded,
                             std::size_t written) {
  const std::size_t needed = size + written;
  if (needed > budget_) return;
  while (bytes_ + needed > budget_ && !entries_.empty()) {
    auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                   [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    bytes_ -= cost(*oldest);
    entries_.erase(oldest);
  }
  Entry entry{block, std::vector<unsigned char>(block, block + size),
              std::vector<unsigned char>(decoded, decoded + written), ++clock_};
  bytes_ += cost(entry);
  entries_.push_back(std::move(entry));
}

void DecodedStreamCache::clear() {
  entries_.clear();
  bytes_ = 0;
}
