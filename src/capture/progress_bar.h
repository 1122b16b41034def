// The capture's progress line on standard error: frames, music position,
// elapsed and estimated remaining time. On a terminal it is redrawn in place
// with a carriage return, at most a few times a second; anywhere else (a log
// file, a pipe) one whole line is written at every further 5 % done, or every
// 10 s while the share done is unknown.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

struct ProgressState {
  std::int64_t frames = 0;  // frames written so far
  int order = 0;
  int row = 0;
  double musicSeconds = 0;  // presentation time captured so far
  double elapsedSeconds = 0;  // wall-clock time spent so far
  double fractionDone = -1;  // 0..1, or negative when unknown
};

// One line of text, without the carriage return, for example
// "[#######.............]  35%  frame 1680  pos 2:17  elapsed 0:12  left 0:22".
std::string formatProgress(const ProgressState& state);

// Share of the presentation done at a music position: the presentation ends
// after order 5, row 16. `rowsPerPattern` is the longest pattern seen; the
// result is clamped to 0..1.
double fractionAtPosition(int order, int row, int rowsPerPattern);

class ProgressBar {
 public:
  // `stream` is usually stderr; `terminal` usually isatty(stderr).
  ProgressBar(std::FILE* stream, bool enabled, bool terminal = true);
  // Redraws when enough wall-clock time has passed since the last drawing.
  void update(const ProgressState& state);
  // Clears the line, so that closing messages start at the left edge.
  void close();

 private:
  std::FILE* stream_;
  bool enabled_;
  bool terminal_;
  int lastStep_ = -1;  // the last 5 % step written as a line
  bool drawn_ = false;
  std::size_t lastLength_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};
