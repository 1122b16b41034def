#include "capture/frame_fit.h"

#include <algorithm>

bool parseScaleFilter(const std::string& text, ScaleFilter& filter) {
  if (text == "nearest") {
    filter = ScaleFilter::kNearest;
  } else if (text == "bilinear") {
    filter = ScaleFilter::kBilinear;
  } else if (text == "lanczos") {
    filter = ScaleFilter::kLanczos;
  } else {
    return false;
  }
  return true;
}

PictureRect fitPicture(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight) {
  // Whole-number arithmetic: the widest picture whose height still fits.
  const long long widthForHeight = static_cast<long long>(frameHeight) * sourceWidth / sourceHeight;
  int width = static_cast<int>(std::min<long long>(frameWidth, widthForHeight));
  int height = static_cast<int>(std::min<long long>(frameHeight, static_cast<long long>(width) * sourceHeight / sourceWidth));
  width &= ~1;
  height &= ~1;
  return {((frameWidth - width) / 2) & ~1, ((frameHeight - height) / 2) & ~1, width, height};
}

ScaleFilter resolveFilter(ScaleFilter filter, int sourceWidth, int sourceHeight, const PictureRect& picture) {
  if (filter != ScaleFilter::kAuto) return filter;
  const bool wholeMultiple = picture.width % sourceWidth == 0 && picture.height % sourceHeight == 0 &&
                             picture.width / sourceWidth == picture.height / sourceHeight;
  return wholeMultiple ? ScaleFilter::kNearest : ScaleFilter::kLanczos;
}

std::string ffmpegScaleChain(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight, ScaleFilter filter) {
  const PictureRect picture = fitPicture(sourceWidth, sourceHeight, frameWidth, frameHeight);
  const ScaleFilter chosen = resolveFilter(filter, sourceWidth, sourceHeight, picture);
  const char* flags = chosen == ScaleFilter::kNearest ? "neighbor" : chosen == ScaleFilter::kBilinear ? "bilinear" : "lanczos";
  return "scale=" + std::to_string(picture.width) + ":" + std::to_string(picture.height) + ":flags=" + flags +
         ",pad=" + std::to_string(frameWidth) + ":" + std::to_string(frameHeight) + ":" + std::to_string(picture.x) +
         ":" + std::to_string(picture.y) + ":black";
}

int largestScaleInside(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight, int maxScale) {
  if (sourceWidth <= 0 || sourceHeight <= 0) return 1;
  return std::clamp(std::min(frameWidth / sourceWidth, frameHeight / sourceHeight), 1, std::max(maxScale, 1));
}
