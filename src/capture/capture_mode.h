// The offline modes of glass-orchard: --capture OUT (a video through ffmpeg
// for OUT ending in .mp4 or .mkv, otherwise a folder of PNG frames and
// audio.wav), --contact-sheet OUT.png and --bench. Each runs the whole
// presentation once on the virtual clock and reports on standard error
// (the benchmark's figures go to standard output). Main thread only.
#pragma once

#include <string>

#include "capture/frame_fit.h"

enum class OfflineMode { kCapture, kContactSheet, kBench, kFrameHash };

struct OfflineRequest {
  OfflineMode mode = OfflineMode::kCapture;
  std::string output;  // the video file or folder, or the contact sheet's PNG
  int fps = 0;  // 0: the mode's default (60; 30 for the contact sheet)
  double maxSeconds = 0;  // 0: until the presentation or its music ends
  // Capture only: the frame size (0: the rendered size) and its scaling.
  int frameWidth = 0;
  int frameHeight = 0;
  ScaleFilter scaleFilter = ScaleFilter::kAuto;
  // Video capture only: x264's constant rate factor (-1: the default), or FFV1 in .mkv.
  int quality = -1;
  bool lossless = false;
  // Benchmark only: seconds of the presentation run once, unmeasured, before
  // the measured run, and what puts everything back for that run. A browser
  // compiles the drawing code while it first runs; without this the table's
  // first entry would time the compiler.
  double warmUpSeconds = 0;
  void (*prepareAnotherRun)() = nullptr;
};

constexpr int kDefaultCaptureFps = 60;
constexpr int kDefaultContactSheetFps = 30;

// Runs the mode; returns the process exit code: 0 when the result was
// written (or the benchmark ran), 1 when nothing usable came out.
int runOfflineMode(const OfflineRequest& request);
