// The size of captured frames: the rendered picture scaled to fit inside
// the chosen frame at its own aspect ratio, centred, with black bars.
#pragma once

#include <string>

enum class ScaleFilter {
  kAuto,  // nearest for whole multiples, Lanczos otherwise
  kNearest,
  kBilinear,
  kLanczos,
};

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PictureRect&) const = default;
};

// "nearest", "bilinear", "lanczos".
bool parseScaleFilter(const std::string& text, ScaleFilter& filter);

// Where a source x sourceHeight picture lies in a frame x frameHeight
// frame: as large as fits at the source's aspect ratio, even sides, centred
// on even offsets (so chroma of 4:2:0 video lines up with the picture).
PictureRect fitPicture(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight);

// The largest whole N from 1 to maxScale whose N * source picture fits the
// frame unshrunk (1 when even the source does not).
int largestScaleInside(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight, int maxScale);

// kAuto resolved: nearest when the picture is the source magnified by the
// same whole number both ways (or unscaled), Lanczos otherwise.
ScaleFilter resolveFilter(ScaleFilter filter, int sourceWidth, int sourceHeight, const PictureRect& picture);

// The ffmpeg filter chain that does the same: "scale=...,pad=...".
std::string ffmpegScaleChain(int sourceWidth, int sourceHeight, int frameWidth, int frameHeight, ScaleFilter filter);
