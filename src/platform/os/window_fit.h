// Where the 640 x 480 picture goes on this machine's screen: the window size
// that fits the desktop, the 4:3 rectangle inside any output size, and the
// render scale whose picture fits a window. Pure calculations, any thread.
#pragma once

// Room kept free for the window manager's title bar and frame, which SDL
// can only measure once the window exists. Side borders are thin or absent,
// so a 1280-pixel-wide desktop still takes a window of 1280.
constexpr int kDecorationWidth = 0;
constexpr int kDecorationHeight = 48;

struct ScaleChoice {
  int scale = 1;
  bool capped = false;  // the requested scale did not fit and was reduced
};

// The window's whole-number scale of 640 x 480: `requested` (> 0) when it
// fits the usable desktop area less the decorations, otherwise the largest
// scale that does (at least 1). `requested` 0 asks for the largest that fits.
// An unknown desktop (width or height <= 0) keeps `requested`, or 2.
ScaleChoice chooseWindowScale(int requested, int usableWidth, int usableHeight);

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The largest 4:3 rectangle centred in an output of the given size; the
// rest of the output is black bars (left and right, or top and bottom).
PictureRect letterbox(int outputWidth, int outputHeight);

// The largest whole N from 1 to `maxScale` whose N * 640 x N * 480 picture
// fits both the window's drawable pixels and the largest texture the
// renderer takes (0 for no limit); 1 when even 640 x 480 does not fit.
int fittingScaleFor(int drawableWidth, int drawableHeight, int maxTextureWidth, int maxTextureHeight, int maxScale);
