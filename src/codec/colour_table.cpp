#include "codec/colour_table.h"

#include <cmath>
#include <new>

std::uint32_t* colourTable = nullptr;
unsigned char* chromaRows = nullptr;
unsigned char* lumaRows = nullptr;
unsigned char* lumaBase = nullptr;
unsigned char* decodedStream = nullptr;

namespace {

// The conversion's constants are single-precision values; the arithmetic
// runs in double precision on them.
constexpr double kWhiteKnee = 248.0f;
constexpr double kBlackKnee = 16.0f;
constexpr double kWhiteFade = 0.01f;
constexpr double kLumaScale = 1.164f;
constexpr double kRedFromCr = 1.596f;
constexpr double kGreenFromCr = 0.813f;
constexpr double kGreenFromCb = 0.391f;
constexpr double kBlueFromCb = 2.018f;

double single(double x) { return static_cast<double>(static_cast<float>(x)); }

std::uint32_t channelByte(double value) {
  if (value < 0.0f) value = 0.0;
  if (value > 255.0f) value = 255.0;
  return static_cast<std::uint32_t>(value);  // truncation toward zero
}

template <typename T>
bool allocate(T*& buffer, std::size_t count) {
  if (buffer != nullptr) return true;
  buffer = new (std::nothrow) T[count]();
  return buffer != nullptr;
}

}  // namespace

std::uint32_t colourTableEntry(int luma, int chromaA, int chromaB) {
  const double y = luma;
  double cr = 4.0 * chromaA - 128.0f;
  double cb = 4.0 * chromaB - 128.0f;
  if (y > kWhiteKnee) {
    // Fade the colour out towards white.
    const double t = y - (kWhiteKnee - y) * kWhiteFade;
    cr = single(cr / t);
    cb = single(cb / t);
  }
  if (y < kBlackKnee) {
    // ...and towards black: the divisor runs from 1 at 15 to 16 at 0.
    const double t = std::fabs(kBlackKnee - y);
    cr = single(cr / t);
    cb = single(cb / t);
  }
  const double l = (y - kBlackKnee) * kLumaScale;
  const double blue = single(cb * kBlueFromCb + l);
  const double green = single((l - cr * kGreenFromCr) - cb * kGreenFromCb);
  const double red = single(cr * kRedFromCr + l);
  return 0xFF000000u | (channelByte(red) << 16) | (channelByte(green) << 8) | channelByte(blue);
}

int initImageCodec() {
  if (!allocate(colourTable, kColourTableBytes / 4)) return -1;
  if (!allocate(chromaRows, kChromaRowBufferBytes)) return -1;
  if (!allocate(lumaRows, kRowBufferBytes)) return -1;
  if (!allocate(lumaBase, kLumaBaseBytes)) return -1;
  const bool tableBuilt = decodedStream != nullptr;
  if (!allocate(decodedStream, kDecodedStreamBytes)) return -1;
  if (tableBuilt) return 1;
  std::uint32_t* entry = colourTable;
  for (int y = 0; y < 256; ++y) {
    for (int a = 0; a < 64; ++a) {
      for (int b = 0; b < 64; ++b) *entry++ = colourTableEntry(y, a, b);
    }
  }
  return 1;
}
