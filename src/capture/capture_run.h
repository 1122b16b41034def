// Runs the unchanged presentation offline into a capture output: the
// platform is set up for it first (no window, the offline sound output with
// the song played once, a virtual clock behind GetTickCount and timeGetTime,
// the capture session as frame sink), then put back as it was.
// Main thread only; one run at a time.
#pragma once

#include <signal.h>

#include <cstdint>

#include "capture/capture_output.h"
#include "capture/capture_session.h"
#include "capture/timing_device.h"

struct CaptureRunSettings {
  int fps = 60;
  double maxSeconds = 0;  // 0: no limit
  bool showProgress = false;  // the progress line (redrawn on a terminal, whole lines elsewhere)
  bool timeDevice = false;  // wrap the device to time its calls (benchmark)
};

struct CaptureRunResult {
  int presentationExit = 0;  // what the presentation's entry returned
  std::int64_t frames = 0;
  std::int64_t samples = 0;  // sound frames written (44,100 per second)
  CaptureStop stop = CaptureStop::kNone;
  std::string note;  // why it stopped early, if it did
  std::chrono::nanoseconds soundTime{0};
  std::chrono::nanoseconds outputTime{0};
  DeviceTimes deviceTimes;
  std::vector<FrameRecord> frameRecords;
};

// While one lives, SIGINT, SIGTERM and SIGHUP (Ctrl-C, kill, a closed
// terminal) only ask the capture to stop after the current frame, so the
// files are completed and what was captured so far is kept. The capture
// mode holds one across the run and the completion of its files; nested
// guards share the outermost one's request.
// The signal that interrupted the run (SIGINT, SIGTERM or SIGHUP), 0 when none.
int interruptSignal();

class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction previous_[3];
};

// The number of frames --max-seconds allows: ceil(seconds * fps), 0 for no limit.
std::int64_t frameLimitFor(double maxSeconds, int fps);

// Runs the presentation into `output` (not finished here: the caller calls
// output.finish()). Uses the shell's current callouts, so tests may stand in
// for the device and the scenes.
CaptureRunResult runCapture(CaptureOutput& output, const CaptureRunSettings& settings);
