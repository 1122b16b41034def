// Where a presented frame goes. The software Direct3D device hands every
// finished back buffer to the current sink: the window (platform/os), a
// capture (video or PNG frames) or a test.
#pragma once

#include <cstdint>

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Called once per Present with the 640 x 480 back buffer, A8R8G8B8
  // (bytes B, G, R, A in memory), rows `pitch` bytes apart. The pixels are
  // only valid during the call. Returns false when the frame could not be
  // shown (for example the window is gone); Present then fails.
  virtual bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) = 0;
};
