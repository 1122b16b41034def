#include "capture/capture_mode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "capture/bench_report.h"
#include "capture/capture_run.h"
#include "capture/contact_sheet.h"
#include "capture/ffmpeg_output.h"
#include "capture/png_sequence_output.h"
#include "capture/scaled_output.h"
#include "platform/d3d8/software_device.h"

namespace {

constexpr const char* kProgram = "glass-orchard";
// The presentation's screen; the device hands out pictures of a whole
// multiple of it.
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
// One frame every 4 s between the first and last frame of every entry.
constexpr std::uint32_t kContactSheetIntervalMs = 4000;

// The benchmark keeps nothing.
class DiscardOutput final : public CaptureOutput {
 public:
  bool writeFrame(const BgraView&, const FrameInfo&) override { return true; }
  bool writeAudio(const std::int16_t*, std::size_t) override { return true; }
  bool finish() override { return true; }
  std::string error() const override { return {}; }
  std::string describe() const override { return "nowhere"; }
};

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A name like "clip.avi" is a video wish we cannot serve, not a folder.
bool looksLikeOtherMediaFile(const std::string& path) {
  for (const char* extension : {".avi", ".mov", ".webm", ".mpg", ".gif", ".png", ".wav", ".mp3", ".ogg"}) {
    if (endsWith(path, extension)) return true;
  }
  return false;
}

// A file written only at the end of the run (the contact sheet) is checked
// before the run: its folder must exist and take new files, and the name
// must not be a folder, so a mistyped path fails at once.
bool checkFileCanBeWritten(const std::string& path, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat info;
  const bool exists = ::stat(folder.c_str(), &info) == 0;
  if (!exists || !S_ISDIR(info.st_mode)) {
    error = path + ": the folder " + folder + (exists ? " is not a folder" : " does not exist");
    return false;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    error = path + ": cannot write into " + folder + ": " + std::strerror(errno);
    return false;
  }
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    error = path + " is a folder, not a file name";
    return false;
  }
  return true;
}

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

// `scale`: the picture scale the device renders the run at.
std::unique_ptr<CaptureOutput> openOutput(const OfflineRequest& request, int fps, int scale, std::string& error) {
  const int pictureWidth = kScreenWidth * scale, pictureHeight = kScreenHeight * scale;
  switch (request.mode) {
    case OfflineMode::kCapture:
      if (FfmpegOutput::handles(request.output)) {
        VideoSettings video;
        video.frameWidth = request.frameWidth;
        video.frameHeight = request.frameHeight;
        video.filter = request.scaleFilter;
        if (request.quality >= 0) video.quality = request.quality;
        video.lossless = request.lossless;
        return FfmpegOutput::open(request.output, fps, pictureWidth, pictureHeight, video, error);
      }
      if (looksLikeOtherMediaFile(request.output)) {
        error = request.output + ": capture to a .mp4 or .mkv file, or to a folder for PNG frames and audio.wav";
        return nullptr;
      }
      if (request.frameWidth > 0 && request.frameHeight > 0) {
        std::unique_ptr<CaptureOutput> frames = PngSequenceOutput::open(request.output, error);
        if (!frames) return nullptr;
        return std::make_unique<ScaledOutput>(std::move(frames), pictureWidth, pictureHeight, request.frameWidth,
                                              request.frameHeight, request.scaleFilter);
      }
      return PngSequenceOutput::open(request.output, error);
    case OfflineMode::kContactSheet:
      if (!checkFileCanBeWritten(request.output, error)) return nullptr;
      if (auto sheet = std::make_unique<ContactSheetOutput>(request.output, kContactSheetIntervalMs); sheet->open(error)) {
        return sheet;
      }
      return nullptr;
    case OfflineMode::kBench:
      return std::make_unique<DiscardOutput>();
  }
  return nullptr;
}

}  // namespace

int runOfflineMode(const OfflineRequest& request) {
  const int defaultFps = request.mode == OfflineMode::kContactSheet ? kDefaultContactSheetFps : kDefaultCaptureFps;
  const int fps = request.fps > 0 ? request.fps : defaultFps;
  std::string error;
  // Settled before the device exists, which then renders at that scale.
  const int scale = resolvePictureScale(request);
  std::unique_ptr<CaptureOutput> output = openOutput(request, fps, scale, error);
  if (!output) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return 1;
  }

  CaptureRunSettings settings;
  settings.fps = fps;
  settings.maxSeconds = request.maxSeconds;
  settings.showProgress = true;
  settings.timeDevice = request.mode == OfflineMode::kBench;
  // Held until the files are complete: an interruption while they are being
  // finished must not cut that short either.
  InterruptGuard interrupts;
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
    const BenchSetup setup{renderThreads(), resolution.pictureScale, resolution.supersample};
    std::fputs(formatBenchReport(run, fps, setup).c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr, "%s: captured %.2f s at %d fps: %s\n", kProgram, static_cast<double>(run.frames) / fps, fps,
               output->describe().c_str());
  // The files are kept, but a script must not take a cut-short capture for
  // a whole one: 128 + the signal, as a shell reports a killed program.
  if (run.stop == CaptureStop::kInterrupted && interruptSignal() != 0) return 128 + interruptSignal();
  return 0;
}
