// XM layout walked here (integers little-endian):
//    0  "Extended Module: "   60  u32 header size, counted from offset 60
//   70  u16 pattern count     72  u16 instrument count
// then each pattern: u32 header length, u8 packing, u16 rows, u16 packed
// size, the packed data after the header; then each instrument: u32 size,
// name, u8 type, u16 sample count, (with samples) u32 sample header size;
// its sample headers start `size` bytes after the instrument (each begins
// with the u32 sample length in bytes), followed by all its sample data.
#include "platform/sound/xm_completeness.h"

#include <cstdint>
#include <cstring>

namespace {

struct Reader {
  const unsigned char* bytes;
  std::uint64_t size;
  bool has(std::uint64_t at, std::uint64_t count) const { return at <= size && count <= size - at; }
  std::uint32_t u16(std::uint64_t at) const { return bytes[at] | bytes[at + 1] << 8; }
  std::uint32_t u32(std::uint64_t at) const {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  }
};

std::string ofCount(const char* part, std::uint32_t index, std::uint32_t count) {
  return std::string(part) + " " + std::to_string(index + 1) + " of " + std::to_string(count);
}

std::string endsInside(const std::string& part, std::uint64_t end, std::uint64_t size) {
  return "the file ends inside " + part + " (at least " + std::to_string(end - size) + " bytes missing)";
}

}  // namespace

std::string describeMissingXmParts(const unsigned char* bytes, std::size_t size) {
  const Reader r{bytes, size};
  if (bytes == nullptr || !r.has(0, 17) || std::memcmp(bytes, "Extended Module: ", 17) != 0) return {};
  if (!r.has(60, 16)) return "the file ends inside its header";
  const std::uint32_t patterns = r.u16(70);
  const std::uint32_t instruments = r.u16(72);
  std::uint64_t at = 60 + std::uint64_t{r.u32(60)};
  for (std::uint32_t p = 0; p < patterns; ++p) {
    if (!r.has(at, 9)) return "the file ends before " + ofCount("pattern", p, patterns);
    const std::uint64_t end = at + r.u32(at) + r.u16(at + 7);
    if (end > r.size) return endsInside(ofCount("pattern", p, patterns), end, r.size);
    at = end;
  }
  for (std::uint32_t i = 0; i < instruments; ++i) {
    if (!r.has(at, 29)) return "the file ends before " + ofCount("instrument", i, instruments);
    const std::uint32_t samples = r.u16(at + 27);
    const std::uint64_t headers = at + std::uint64_t{r.u32(at)};
    if (samples == 0) {
      if (headers > r.size) return endsInside(ofCount("instrument", i, instruments), headers, r.size);
      at = headers;
      continue;
    }
    if (!r.has(at, 33)) return "the file ends inside " + ofCount("instrument", i, instruments);
    const std::uint64_t sampleHeaderSize = r.u32(at + 29);
    std::uint64_t data = 0;
    for (std::uint32_t s = 0; s < samples; ++s) {
      const std::uint64_t header = headers + s * sampleHeaderSize;
      if (!r.has(header, 4)) return "the file ends inside the sample headers of " + ofCount("instrument", i, instruments);
      data += r.u32(header);
    }
    const std::uint64_t end = headers + samples * sampleHeaderSize + data;
    if (end > r.size) return endsInside("the sample data of " + ofCount("instrument", i, instruments), end, r.size);
    at = end;
  }
  return {};
}
