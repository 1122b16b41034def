#include "platform/os/window_fit.h"

#include <algorithm>

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
constexpr int kUnknownDesktopScale = 2;

}  // namespace

ScaleChoice chooseWindowScale(int requested, int usableWidth, int usableHeight) {
  if (usableWidth <= 0 || usableHeight <= 0) return {requested > 0 ? requested : kUnknownDesktopScale, false};
  const int fitting = std::max(1, std::min((usableWidth - kDecorationWidth) / kPictureWidth,
                                           (usableHeight - kDecorationHeight) / kPictureHeight));
  if (requested <= 0) return {fitting, false};
  if (requested > fitting) return {fitting, true};
  return {requested, false};
}

PictureRect letterbox(int outputWidth, int outputHeight) {
  if (outputWidth <= 0 || outputHeight <= 0) return {};
  PictureRect rect;
  // 64-bit products: an output of tens of thousands of pixels stays exact.
  if (static_cast<long long>(outputWidth) * 3 >= static_cast<long long>(outputHeight) * 4) {
    rect.height = outputHeight;
    rect.width = static_cast<int>(static_cast<long long>(outputHeight) * 4 / 3);
  } else {
    rect.width = outputWidth;
    rect.height = static_cast<int>(static_cast<long long>(outputWidth) * 3 / 4);
  }
  rect.x = (outputWidth - rect.width) / 2;
  rect.y = (outputHeight - rect.height) / 2;
  return rect;
}

int fittingScaleFor(int drawableWidth, int drawableHeight, int maxTextureWidth, int maxTextureHeight, int maxScale) {
  int width = drawableWidth;
  int height = drawableHeight;
  if (maxTextureWidth > 0) width = std::min(width, maxTextureWidth);
  if (maxTextureHeight > 0) height = std::min(height, maxTextureHeight);
  return std::clamp(std::min(width / kPictureWidth, height / kPictureHeight), 1, std::max(1, maxScale));
}
