#include "capture/yuv420_frame.h"

namespace {

// BT.601 in the limited range, times 2^14: luma 219/255 and chroma 224/255
// of the full-range matrix. Each row of chroma weights sums to zero.
constexpr int kYr = 4207, kYg = 8260, kYb = 1604;
constexpr int kUr = -2429, kUg = -4767, kUb = 7196;
constexpr int kVr = 7196, kVg = -6026, kVb = -1170;
constexpr int kShift = 14;

inline std::uint8_t luma(const std::uint8_t* pixel) {  // B, G, R, A
  const int sum = kYr * pixel[2] + kYg * pixel[1] + kYb * pixel[0];
  return static_cast<std::uint8_t>(16 + ((sum + (1 << (kShift - 1))) >> kShift));
}

// From the sums of four pixels' channels: a quarter of the weight each.
// The sums of weights are zero, so the value before the offset lies within
// +-112 and the result within 16 to 240.
inline std::uint8_t chroma(int wr, int wg, int wb, int r4, int g4, int b4) {
  const int sum = wr * r4 + wg * g4 + wb * b4;
  const int half = 1 << (kShift + 1);
  return static_cast<std::uint8_t>(128 + ((sum + half) >> (kShift + 2)));
}

}  // namespace

std::size_t yuv420FrameBytes(int width, int height) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return pixels + pixels / 2;
}

void convertToYuv420(const std::uint8_t* bgra, int width, int height, std::size_t pitch, std::uint8_t* out) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::uint8_t* planeY = out;
  std::uint8_t* planeU = out + pixels;
  std::uint8_t* planeV = planeU + pixels / 4;
  const int chromaWidth = width / 2;
  for (int y = 0; y < height; y += 2) {
    const std::uint8_t* top = bgra + static_cast<std::size_t>(y) * pitch;
    const std::uint8_t* bottom = top + pitch;
    std::uint8_t* lumaTop = planeY + static_cast<std::size_t>(y) * width;
    std::uint8_t* lumaBottom = lumaTop + width;
    for (int x = 0; x < width; ++x) {
      lumaTop[x] = luma(top + 4 * x);
      lumaBottom[x] = luma(bottom + 4 * x);
    }
    const std::size_t chromaRow = static_cast<std::size_t>(y / 2) * chromaWidth;
    for (int cx = 0; cx < chromaWidth; ++cx) {
      const std::uint8_t* a = top + 8 * cx;
      const std::uint8_t* b = bottom + 8 * cx;
      const int b4 = a[0] + a[4] + b[0] + b[4];
      const int g4 = a[1] + a[5] + b[1] + b[5];
      const int r4 = a[2] + a[6] + b[2] + b[6];
      planeU[chromaRow + cx] = chroma(kUr, kUg, kUb, r4, g4, b4);
      planeV[chromaRow + cx] = chroma(kVr, kVg, kVb, r4, g4, b4);
    }
  }
}
