#include "codec/image_layout.h"

namespace {

int readS16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
int readS8(unsigned char byte) { return static_cast<std::int8_t>(byte); }

}  // namespace

const char* layoutProblemText(LayoutProblem problem) {
  switch (problem) {
    case LayoutProblem::kNone: return "sound";
    case LayoutProblem::kShortHeader: return "stream shorter than its 12-byte header";
    case LayoutProblem::kBadSize: return "width or height outside 1..512";
    case LayoutProblem::kBadLumaCell: return "luma cell size not allowed (width 0, 2, 4, 8, 16; height 1..16, a power of two)";
    case LayoutProblem::kBadChromaCell: return "chroma cell size not allowed (1, 2, 4, 8 or 16)";
    case LayoutProblem::kSizeNotMultiple: return "width or height not a multiple of its cell size";
    case LayoutProblem::kShortSections: return "stream shorter than its sections";
  }
  return "unknown problem";
}

int cellShift(int cellSize) {
  switch (cellSize) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return -1;
  }
}

LayoutProblem readImageLayout(const unsigned char* stream, int available, ImageLayout* layout) {
  if (stream == nullptr || available < kImageStreamHeaderBytes) return LayoutProblem::kShortHeader;
  ImageLayout l;
  l.width = readS16(stream);
  l.height = readS16(stream + 2);
  l.lumaCellWidth = readS8(stream[4]);
  l.lumaCellHeight = readS8(stream[5]);
  l.chromaCellWidth = readS8(stream[6]);
  l.chromaCellHeight = readS8(stream[7]);
  l.verticalInterpolation = stream[8] != 0;
  l.residualShift = readS8(stream[10]);
  l.oneChannel = stream[11] == kOneChannelMode;

  if (l.width < 1 || l.width > kMaxImageSide || l.height < 1 || l.height > kMaxImageSide) {
    return LayoutProblem::kBadSize;
  }
  const bool rawLuma = l.lumaCellWidth == 0;
  if (!rawLuma) {
    if (cellShift(l.lumaCellWidth) < 1 || cellShift(l.lumaCellHeight) < 0) return LayoutProblem::kBadLumaCell;
  }
  if (!l.oneChannel && (cellShift(l.chromaCellWidth) < 0 || cellShift(l.chromaCellHeight) < 0)) {
    return LayoutProblem::kBadChromaCell;
  }
  if (!rawLuma && (l.width % l.lumaCellWidth != 0 || l.height % l.lumaCellHeight != 0)) {
    return LayoutProblem::kSizeNotMultiple;
  }
  if (!l.oneChannel && (l.width % l.chromaCellWidth != 0 || l.height % l.chromaCellHeight != 0)) {
    return LayoutProblem::kSizeNotMultiple;
  }

  // Section ends are at most a few hundred thousand: int arithmetic is safe
  // with the sizes checked above.
  l.lumaStart = kImageStreamHeaderBytes;
  if (rawLuma) {
    l.detailStart = 0;
    l.lumaEnd = l.lumaStart + l.width * l.height;
    if (l.lumaEnd > available) return LayoutProblem::kShortSections;
  } else {
    const int gw = l.width / l.lumaCellWidth;
    const int gh = l.height / l.lumaCellHeight;
    l.detailStart = l.lumaStart + (gw + 1) * (gh + 1);
    const int correctionBytes = l.lumaCellHeight * (l.lumaCellWidth / 2);
    int pos = l.detailStart;
    for (int cell = 0; cell < gw * gh; ++cell) {
      if (pos >= available) return LayoutProblem::kShortSections;
      if (stream[pos] == 0) {
        pos += 1 + correctionBytes;
        ++l.detailCells;
      } else {
        pos += 1;
      }
    }
    if (pos > available) return LayoutProblem::kShortSections;
    l.lumaEnd = pos;
  }
  l.end = l.lumaEnd;
  if (!l.oneChannel) {
    const int gridBytes = (l.width / l.chromaCellWidth + 1) * (l.height / l.chromaCellHeight + 1);
    l.chromaAStart = l.lumaEnd;
    l.chromaBStart = l.chromaAStart + gridBytes;
    l.end = l.chromaBStart + gridBytes;
    if (l.end > available) return LayoutProblem::kShortSections;
  }
  *layout = l;
  return LayoutProblem::kNone;
}
