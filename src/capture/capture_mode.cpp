#include "capture/capture_mode.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "capture/bench_report.h"
#include "capture/capture_run.h"
#include "capture/frame_hash_output.h"
#include "capture/offline_outputs.h"
#include "platform/d3d8/software_device.h"

namespace {

constexpr const char* kProgram = "glass-orchard";
// The picture scale of the run: an automatic one is the largest whose
// picture fits the --size frame without shrinking (1 without --size).
int resolvePictureScale(const OfflineRequest& request) {
  RenderResolution resolution = renderResolution();
  if (resolution.pictureScale == 0) {
    resolution.pictureScale =
        request.frameWidth > 0 && request.frameHeight > 0
            ? largestScaleInside(kScreenWidth, kScreenHeight, request.frameWidth, request.frameHeight, kMaxPictureScale)
            : 1;
    setRenderResolution(resolution);
  }
  return resolution.pictureScale;
}

// The benchmark's unmeasured first run: its frames go nowhere, and the
// presentation then starts again from the beginning for the measured run.
void warmUp(const OfflineRequest& request, int fps, int scale, const CaptureRunSettings& measured) {
  std::string error;
  std::unique_ptr<CaptureOutput> discard = openOfflineOutput(request, fps, scale, error);
  if (!discard) return;
  CaptureRunSettings settings = measured;
  settings.maxSeconds = measured.maxSeconds > 0 ? std::min(measured.maxSeconds, request.warmUpSeconds)
                                                : request.warmUpSeconds;
  settings.timeDevice = false;
  settings.showProgress = false;
  runCapture(*discard, settings);
  request.prepareAnotherRun();
}

}  // namespace

int runOfflineMode(const OfflineRequest& request) {
  const int defaultFps = request.mode == OfflineMode::kContactSheet ? kDefaultContactSheetFps : kDefaultCaptureFps;
  const int fps = request.fps > 0 ? request.fps : defaultFps;
  std::string error;
  // Settled before the device exists, which then renders at that scale.
  const int scale = resolvePictureScale(request);
  std::unique_ptr<CaptureOutput> output = openOfflineOutput(request, fps, scale, error);
  if (!output) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return 1;
  }

  CaptureRunSettings settings;
  settings.fps = fps;
  settings.maxSeconds = request.maxSeconds;
  settings.timeDevice = request.mode == OfflineMode::kBench;
  // The hash's one line is the result; a progress bar would only get in the way.
  settings.showProgress = request.mode != OfflineMode::kFrameHash;
  // Held until the files are complete: an interruption while they are being
  // finished must not cut that short either.
  InterruptGuard interrupts;
  if (request.mode == OfflineMode::kBench && request.warmUpSeconds > 0 && request.prepareAnotherRun != nullptr) {
    warmUp(request, fps, scale, settings);
  }
  const CaptureRunResult run = runCapture(*output, settings);
  const bool finished = output->finish();

  // A failed output is the one cause worth naming; when the output failed
  // on the first frame, the presentation did start.
  if (run.stop == CaptureStop::kOutputFailed || (run.frames > 0 && !finished)) {
    std::fprintf(stderr, "%s: the capture failed: %s\n", kProgram, output->error().c_str());
    return 1;
  }
  if (!run.note.empty()) std::fprintf(stderr, "%s: %s\n", kProgram, run.note.c_str());
  if (run.frames == 0) {
    std::fprintf(stderr, "%s: nothing was captured: the presentation did not start\n", kProgram);
    return 1;
  }
  if (request.mode == OfflineMode::kBench) {
    const RenderResolution resolution = renderResolution();
    const BenchSetup setup{renderThreads(), resolution.pictureScale, resolution.supersample, request.warmUpSeconds};
    std::fputs(formatBenchReport(run, fps, setup).c_str(), stdout);
    return 0;
  }
  if (request.mode == OfflineMode::kFrameHash) {
    const auto& hashes = static_cast<FrameHashOutput&>(*output);
    std::printf("%s\n%s\n", hashes.resultLine().c_str(), hashes.soundLine().c_str());
    std::fflush(stdout);
    if (run.stop == CaptureStop::kInterrupted && interruptSignal() != 0) return 128 + interruptSignal();
    return 0;
  }
  std::fprintf(stderr, "%s: captured %.2f s at %d fps: %s\n", kProgram, static_cast<double>(run.frames) / fps, fps,
               output->describe().c_str());
  // The files are kept, but a script must not take a cut-short capture for
  // a whole one: 128 + the signal, as a shell reports a killed program.
  if (run.stop == CaptureStop::kInterrupted && interruptSignal() != 0) return 128 + interruptSignal();
  return 0;
}
