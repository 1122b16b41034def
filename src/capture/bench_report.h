// The whole-run benchmark's report: frames per second overall and per
// timeline entry, and where the time went.
//
// How the shares are measured (wall-clock, steady_clock):
// - a frame's time runs from the end of the previous Present to the end of
//   its own (the first from the start of the first pass);
// - rasterising: time inside the device's Clear and draw calls;
// - decoding: the frame's time outside every device call, that is the scene
//   code itself, which per frame is almost all image decoding and texel
//   conversion into the streaming textures, plus UpdateTexture (their
//   upload); the scenes' few matrix and vector sums are counted here too;
// - audio: rendering the frame's music offline;
// - other: the remaining device calls (state, Present's hand-over).
#pragma once

#include <string>

#include "capture/capture_run.h"

struct BenchShares {
  double rasterising = 0;
  double decoding = 0;
  double audio = 0;
  double other = 0;  // the four add up to 1
};

BenchShares benchShares(const CaptureRunResult& run);

// The report as printed by --bench, several lines: frames per second of
// wall-clock time and of processor time (all threads), overall and per
// timeline entry, for a run drawn by `threads` threads at a picture scale
// (N x 640 x 480), with or without four samples a pixel.
struct BenchSetup {
  int threads = 1;
  int pictureScale = 1;
  bool supersample = false;
  double warmUpSeconds = 0;  // the unmeasured run before the measured one
};
std::string formatBenchReport(const CaptureRunResult& run, int fps, const BenchSetup& setup);
