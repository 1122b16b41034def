// WAV (RIFF) writer. Bytes of the file, integers little-endian:
//    0  "RIFF"   4  u32 file size - 8   8  "WAVE"
//   12  "fmt "  16  u32 16 (chunk size)
//   20  u16 1 (PCM)  22  u16 channels (2)  24  u32 sample rate (44100)
//   28  u32 byte rate (rate * 4)  32  u16 block align (4)  34  u16 bits (16)
//   36  "data"  40  u32 data size in bytes
//   44  samples: int16 left, int16 right, one pair per sample frame
// A WAV cannot describe more than 4 GiB of data; appends beyond that fail
// instead of writing a header whose sizes wrap around.
#include "capture/wav_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::uint32_t kBytesPerFrame = WavWriter::kChannels * 2;
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max() - kHeaderBytes;

void putU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void fillHeader(std::uint8_t* header, std::uint32_t dataBytes) {
  std::memcpy(header + 0, "RIFF", 4);
  putU32(header + 4, dataBytes + kHeaderBytes - 8);
  std::memcpy(header + 8, "WAVE", 4);
  std::memcpy(header + 12, "fmt ", 4);
  putU32(header + 16, 16);
  putU16(header + 20, 1);
  putU16(header + 22, WavWriter::kChannels);
  putU32(header + 24, WavWriter::kSampleRate);
  putU32(header + 28, WavWriter::kSampleRate * kBytesPerFrame);
  putU16(header + 32, kBytesPerFrame);
  putU16(header + 34, 16);
  std::memcpy(header + 36, "data", 4);
  putU32(header + 40, dataBytes);
}

}  // namespace

WavWriter::~WavWriter() {
  if (file_ != nullptr) finish();
}

bool WavWriter::fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  return false;
}

bool WavWriter::open(const std::string& path) {
  if (file_ != nullptr) return fail("WAV writer already open");
  path_ = path;
  framesWritten_ = 0;
  error_.clear();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return fail("cannot create " + path + ": " + std::strerror(errno));
  std::uint8_t header[kHeaderBytes];
  fillHeader(header, 0);
  if (std::fwrite(header, 1, kHeaderBytes, file_) != kHeaderBytes) return fail("cannot write " + path + ": " + std::strerror(errno));
  return true;
}

bool WavWriter::append(const std::int16_t* samples, std::size_t frames) {
  if (file_ == nullptr) return fail("WAV writer not open");
  if (frames == 0) return true;
  if ((framesWritten_ + frames) * kBytesPerFrame > kMaxDataBytes) return fail(path_ + ": audio too long for a WAV file");
  // Little-endian on disk whatever the host order.
  std::vector<std::uint8_t> bytes(frames * kBytesPerFrame);
  for (std::size_t i = 0; i < frames * kChannels; ++i) putU16(&bytes[i * 2], static_cast<std::uint16_t>(samples[i]));
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    return fail("cannot write " + path_ + ": " + std::strerror(errno));
  }
  framesWritten_ += frames;
  return true;
}

bool WavWriter::finish() {
  if (file_ == nullptr) return fail("WAV writer not open");
  std::uint8_t header[kHeaderBytes];
  fillHeader(header, static_cast<std::uint32_t>(framesWritten_ * kBytesPerFrame));
  errno = 0;
  bool ok = std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(header, 1, kHeaderBytes, file_) == kHeaderBytes;
  int problem = ok ? 0 : errno;
  if (std::fclose(file_) != 0) {
    ok = false;
    if (problem == 0) problem = errno;
  }
  file_ = nullptr;
  if (!ok) return fail("cannot finish " + path_ + (problem != 0 ? ": " + std::string(std::strerror(problem)) : ""));
  return error_.empty();
}
