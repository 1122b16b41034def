// XM module layout written here (all numbers little-endian):
//
//   offset size  field
//   0      17    "Extended Module: "
//   17     20    module name, blank padded
//   37     1     0x1A
//   38     20    tracker name
//   58     2     format version 0x0104
//   60     4     header size counted from offset 60: 276
//   64     2     song length (orders)      66  2  restart position
//   68     2     channels                  70  2  patterns
//   72     2     instruments (0 here)      74  2  flags (1: linear slides)
//   76     2     default speed (ticks/row) 78  2  default BPM
//   80     256   order table
//   336    ...   patterns, each: 4 header length (9), 1 packing type (0),
//                2 rows, 2 packed data size (0: every row empty), packed
//                cells (0x80: empty; else note, instrument, volume, effect,
//                parameter)
//   then, when audible, one instrument: 4 header size (263), 22 name, 1 type,
//   2 samples (1), 4 sample header size (40), 96 key map, 96 envelopes, 14
//   envelope and vibrato settings, 2 fadeout, padding to 263; the sample
//   header: 4 length, 4 loop start, 4 loop length, 1 volume, 1 finetune,
//   1 type (1: forward loop), 1 panning, 1 relative note, 1 reserved,
//   22 name; then delta-coded 8-bit sample bytes.
#include "support/xm_writer.h"

#include <cstdio>

namespace {

void put16(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  put16(out, static_cast<int>(value & 0xFFFF));
  put16(out, static_cast<int>(value >> 16));
}

void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ');
}

}  // namespace

int testXmRowFrames(const TestXmLayout& layout, int rate) {
  return static_cast<int>(static_cast<long long>(rate) * layout.speed * 5 / (layout.bpm * 2));
}

std::vector<std::uint8_t> makeTestXm(const TestXmLayout& layout) {
  std::vector<std::uint8_t> out;
  putText(out, "Extended Module: ", 17);
  putText(out, "test", 20);
  out.push_back(0x1A);
  putText(out, "glass tests", 20);
  put16(out, 0x0104);
  put32(out, 276);
  put16(out, layout.orders);
  put16(out, layout.restartPosition);
  put16(out, 2);
  put16(out, layout.orders);
  put16(out, layout.audible ? 1 : 0);
  put16(out, 1);
  put16(out, layout.speed);
  put16(out, layout.bpm);
  for (int i = 0; i < 256; ++i) out.push_back(i < layout.orders ? static_cast<std::uint8_t>(i) : 0);
  for (int pattern = 0; pattern < layout.orders; ++pattern) {
    put32(out, 9);
    out.push_back(0);
    put16(out, layout.rowsPerPattern);
    if (!layout.audible) {
      put16(out, 0);
      continue;
    }
    put16(out, 5 + 1 + 2 * (layout.rowsPerPattern - 1));
    for (int value : {49, 1, 0, 0, 0, 0x80}) out.push_back(static_cast<std::uint8_t>(value));  // C-4
    out.insert(out.end(), 2 * (layout.rowsPerPattern - 1), 0x80);
  }
  if (!layout.audible) return out;
  const std::size_t instrumentStart = out.size();
  put32(out, 263);
  out.insert(out.end(), 23, 0);
  put16(out, 1);
  put32(out, 40);
  out.insert(out.end(), instrumentStart + 263 - out.size(), 0);
  for (std::uint32_t value : {32u, 0u, 32u}) put32(out, value);
  for (int value : {64, 0, 1, 128, 0, 0}) out.push_back(static_cast<std::uint8_t>(value));
  out.insert(out.end(), 22, 0);
  for (int i = 0; i < 32; ++i) out.push_back(static_cast<std::uint8_t>(i == 0 ? 40 : i == 16 ? -80 : 0));
  return out;
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}
