// Where a presented frame goes. The software Direct3D device hands every
// finished back buffer to the current sink: the window (platform/os), a
// capture (video or PNG frames) or a test.
#pragma once

#include <cstdint>

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Called once per Present with the finished picture, A8R8G8B8 (bytes B,
  // G, R, A in memory), rows `pitch` bytes apart. The picture is the
  // presentation's 640 x 480 screen at the device's render scale: N * 640 x
  // N * 480 for a whole N from 1 to kMaxPictureScale; it changes only with
  // an automatic render scale after sizeGeneration() changed. The pixels are only valid during the call. Returns
  // false when the frame could not be shown (for example the window is
  // gone); Present then fails.
  virtual bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) = 0;

  // For an automatic render scale: the largest N from 1 to `maxScale` whose
  // N * 640 x N * 480 picture still fits the pixels the sink shows it on.
  // Sinks without a size of their own keep the presentation's size.
  virtual int fittingRenderScale(int maxScale) const {
    (void)maxScale;
    return 1;
  }

  // A number that changes whenever the pixels the sink shows frames on
  // change size (a window resized or switched to full screen), so that an
  // automatic render scale can be chosen again. Sinks of a fixed size keep 0.
  virtual unsigned sizeGeneration() const { return 0; }
};

// The largest picture scale a device hands out.
constexpr int kMaxPictureScale = 4;
