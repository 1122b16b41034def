#include "capture/offline_outputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "capture/contact_sheet.h"
#include "capture/ffmpeg_output.h"
#include "capture/frame_hash_output.h"
#include "capture/png_sequence_output.h"
#include "capture/scaled_output.h"

namespace {

// One frame every 4 s between the first and last frame of every entry.
constexpr std::uint32_t kContactSheetIntervalMs = 4000;

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

// `scale`: the picture scale the device renders the run at.
}  // namespace

std::unique_ptr<CaptureOutput> openOfflineOutput(const OfflineRequest& request, int fps, int scale, std::string& error) {
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
    case OfflineMode::kFrameHash:
      return std::make_unique<FrameHashOutput>(fps);
  }
  return nullptr;
}
