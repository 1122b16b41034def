// A device that forwards every call to another device and adds up the
// wall-clock time spent in the calls, by kind, for the whole-run benchmark.
// It changes nothing the calls do or return. Main thread only.
#pragma once

#include <chrono>

#include "platform/d3d8/d3d8.h"

struct DeviceTimes {
  std::chrono::nanoseconds raster{0};  // Clear and the draw calls
  std::chrono::nanoseconds upload{0};  // UpdateTexture (system to device texture)
  std::chrono::nanoseconds present{0};  // Present, with the frame sink behind it
  std::chrono::nanoseconds other{0};  // state, creation and query calls
};

// Wraps `inner` (taking over the caller's reference): Release of the
// wrapper releases `inner`, and the wrapper deletes itself when `inner`'s
// count reaches 0. `times` must outlive the wrapper.
IDirect3DDevice8* wrapWithTiming(IDirect3DDevice8* inner, DeviceTimes* times);
