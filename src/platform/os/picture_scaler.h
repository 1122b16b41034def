// Scales the 640 x 480 frame into a rectangle of a 32-bit window surface on
// the CPU, for displays whose renderer is itself software (Mesa's llvmpipe
// under a virtual X server, SDL's software renderer), where going through
// the renderer costs an extra upload and a slower scale. Whole multiples
// are sharp (each pixel repeated); any other size is bilinear. Pixels are
// 32-bit with blue in the low byte, the layout of both the frame and the
// X11 window surface. One instance per thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/os/window_fit.h"

class PictureScaler {
 public:
  // Writes the frame (640 x 480, `source` rows of 640 pixels) into `rect` of
  // the target (rows `targetPitch` bytes apart) and paints the rest of the
  // target black.
  void scale(const std::uint32_t* source, std::uint32_t* target, int targetWidth, int targetHeight,
             int targetPitch, const PictureRect& rect);

 private:
  void prepare(const PictureRect& rect);

  PictureRect prepared_{};
  bool whole_ = false;
  std::vector<int> columnIndex_;       // source column of each target column
  std::vector<std::uint32_t> columnWeight_;  // weight of the next column, 0..256
  std::vector<int> rowIndex_;
  std::vector<int> rowWeight_;         // weight of the next row, 0..128
  std::vector<std::uint32_t> rowsAcross_;  // every source row scaled across (bilinear)
  std::vector<std::uint32_t> wideRow_;     // one source row widened (whole multiples)
};
