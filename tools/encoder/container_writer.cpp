// Packs compressed blocks into a packed image container:
//
//   offset    size  field
//   0         4     N = blocks + 1 (u32 LE)
//   4         4*N   offsets from the start of the data area (u32 LE); entry
//                   i is where block i starts, entry N-1 where the data ends
//   4 + 4*N   ...   the blocks back to back
#include "encoder/image_encoder.h"

namespace {

void putU32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> packContainer(const std::vector<std::vector<std::uint8_t>>& blocks) {
  std::vector<std::uint8_t> out;
  putU32(&out, static_cast<std::uint32_t>(blocks.size() + 1));
  std::uint32_t offset = 0;
  for (const auto& block : blocks) {
    putU32(&out, offset);
    offset += static_cast<std::uint32_t>(block.size());
  }
  putU32(&out, offset);
  for (const auto& block : blocks) out.insert(out.end(), block.begin(), block.end());
  return out;
}
