#include "common/png_chunks.h"

#include <array>
#include <cstring>

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t crc32Of(const std::uint8_t* bytes, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t readBigEndian(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void appendBigEndian(std::vector<std::uint8_t>* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(value >> shift));
}

// Calls visit(offset of the chunk, length, type) for each whole chunk until
// it returns true; false when the bytes end or are not a PNG file first.
template <typename Visit>
bool eachChunk(const std::vector<std::uint8_t>& png, Visit visit) {
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return false;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = readBigEndian(&png[at]);
    if (length > png.size() - at - 12) return false;
    if (visit(at, length, reinterpret_cast<const char*>(&png[at + 4]))) return true;
    at += 12 + std::size_t{length};
  }
  return false;
}

}  // namespace

bool insertPngChunk(std::vector<std::uint8_t>* png, const char* type, const std::vector<std::uint8_t>& data) {
  std::size_t iend = 0;
  if (!eachChunk(*png, [&](std::size_t at, std::uint32_t, const char* t) {
        iend = at;
        return std::memcmp(t, "IEND", 4) == 0;
      })) {
    return false;
  }
  std::vector<std::uint8_t> chunk;
  appendBigEndian(&chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  appendBigEndian(&chunk, crc32Of(chunk.data() + 4, chunk.size() - 4));
  png->insert(png->begin() + static_cast<std::ptrdiff_t>(iend), chunk.begin(), chunk.end());
  return true;
}

bool findPngChunk(const std::vector<std::uint8_t>& png, const char* type, std::vector<std::uint8_t>* data) {
  return eachChunk(png, [&](std::size_t at, std::uint32_t length, const char* t) {
    if (std::memcmp(t, type, 4) != 0) return false;
    const std::uint8_t* body = &png[at + 8];
    if (crc32Of(&png[at + 4], 4 + std::size_t{length}) != readBigEndian(body + length)) return false;
    data->assign(body, body + length);
    return true;
  });
}
