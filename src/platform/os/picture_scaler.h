// Scales a rendered frame (640 x 480 or a whole multiple of it) into a
// rectangle of a 32-bit window surface on the CPU, for displays whose renderer is itself software (Mesa's llvmpipe
// under a virtual X server, SDL's software renderer), where going through
// the renderer costs an extra upload and a slower scale. Whole multiples
// of the frame are sharp (each pixel repeated); any other size, smaller
// ones included, is bilinear. Pixels are
// 32-bit with blue in the low byte, the layout of both the frame and the
// X11 window surface. One instance per thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/os/window_fit.h"

// A frame as the device rendered it: packed rows of `width` pixels.
struct RenderedFrame {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
};

class PictureScaler {
 public:
  // Writes the frame (`source`, packed rows of `sourceWidth` pixels) into
  // `rect` of the target (rows `targetPitch` bytes apart) and paints the
  // rest of the target black.
  void scale(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* target,
             int targetWidth, int targetHeight, int targetPitch, const PictureRect& rect);

 private:
  void prepare(int sourceWidth, int sourceHeight, const PictureRect& rect);

  PictureRect prepared_{};
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  bool whole_ = false;
  // Target column t blends source columns columnIndex_[t] and the one after
  // it, the second weighted columnWeight_[t] of 256 (the last column is
  // taken as the second of its pair, weight 256, so a pair never runs past
  // the row); columnWeights16_ holds 256 - w and w, each four times, for
  // blending a pixel's four channels at once.
  std::vector<int> columnIndex_;
  std::vector<std::uint32_t> columnWeight_;
  std::vector<std::uint16_t> columnWeights16_;
  std::vector<int> rowIndex_;
  std::vector<int> rowWeight_;         // weight of the next row, 0..128
  std::vector<char> rowUsed_;          // source rows a target row reads (bilinear)
  std::vector<std::uint32_t> rowsAcross_;  // every source row scaled across (bilinear)
  std::vector<std::uint32_t> wideRow_;     // one source row widened (whole multiples)
};
