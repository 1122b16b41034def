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

// Chroma after the fades towards white and black, for one luma value.
double fadedChroma(double y, double chroma) {
  if (y > kWhiteKnee) {
    // Fade the colour out towards white.
    const double t = y - (kWhiteKnee - y) * kWhiteFade;
    chroma = single(chroma / t);
  }
  if (y < kBlackKnee) {
    // ...and towards black: the divisor runs from 1 at 15 to 16 at 0.
    const double t = std::fabs(kBlackKnee - y);
    chroma = single(chroma / t);
  }
  return chroma;
}

double chromaOf(int index) { return 4.0 * index - 128.0f; }

double lumaOf(double y) { return (y - kBlackKnee) * kLumaScale; }

}  // namespace

std::uint32_t colourTableEntry(int luma, int chromaA, int chromaB) {
  const double y = luma;
  const double cr = fadedChroma(y, chromaOf(chromaA));
  const double cb = fadedChroma(y, chromaOf(chromaB));
  const double l = lumaOf(y);
  const double blue = single(cb * kBlueFromCb + l);
  const double green = single((l - cr * kGreenFromCr) - cb * kGreenFromCb);
  const double red = single(cr * kRedFromCr + l);
  return 0xFF000000u | (channelByte(red) << 16) | (channelByte(green) << 8) | channelByte(blue);
}

namespace {

// The 4096 entries of one luma value. Red depends on chroma A alone and blue
// on chroma B alone, and green is one subtraction of a term of each: compute
// those once per A and per B, with exactly colourTableEntry's operations, so
// every entry comes out the same at a fraction of the work.
void fillLumaRow(int luma, std::uint32_t* entry) {
  const double y = luma;
  const double l = lumaOf(y);
  std::uint32_t redBits[64], blueBits[64];
  double greenFromA[64], greenFromB[64];
  for (int i = 0; i < 64; ++i) {
    const double chroma = fadedChroma(y, chromaOf(i));  // the same for A and B
    redBits[i] = 0xFF000000u | (channelByte(single(chroma * kRedFromCr + l)) << 16);
    greenFromA[i] = l - chroma * kGreenFromCr;
    blueBits[i] = channelByte(single(chroma * kBlueFromCb + l));
    greenFromB[i] = chroma * kGreenFromCb;
  }
  for (int a = 0; a < 64; ++a) {
    for (int b = 0; b < 64; ++b) {
      *entry++ = redBits[a] | (channelByte(single(greenFromA[a] - greenFromB[b])) << 8) | blueBits[b];
    }
  }
}

}  // namespace

int initImageCodec() {
  if (!allocate(colourTable, kColourTableBytes / 4)) return -1;
  if (!allocate(chromaRows, kChromaRowBufferBytes)) return -1;
  if (!allocate(lumaRows, kRowBufferBytes)) return -1;
  if (!allocate(lumaBase, kLumaBaseBytes)) return -1;
  const bool tableBuilt = decodedStream != nullptr;
  if (!allocate(decodedStream, kDecodedStreamBytes)) return -1;
  if (tableBuilt) return 1;
  for (int y = 0; y < 256; ++y) fillLumaRow(y, colourTable + static_cast<std::size_t>(y) * 4096);
  return 1;
}
