#include "capture/ffmpeg_output.h"

#include <cstdio>
#include <vector>

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "dir/name.mp4" -> "dir/.name.mp4<suffix>": hidden, beside the result.
std::string hiddenSibling(const std::string& path, const std::string& suffix) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return directory + "." + name + suffix;
}

}  // namespace

bool FfmpegOutput::handles(const std::string& path) {
  return endsWith(path, ".mp4") || endsWith(path, ".mkv");
}

std::unique_ptr<FfmpegOutput> FfmpegOutput::open(const std::string& path, int fps, int width, int height,
                                                 std::string& error, const std::string& program) {
  if (!handles(path)) {
    error = path + ": a video capture must end in .mp4 or .mkv";
    return nullptr;
  }
  if (findProgram(program).empty()) {
    error = "ffmpeg was not found (install the ffmpeg package, or capture to a folder of PNG frames instead)";
    return nullptr;
  }
  std::unique_ptr<FfmpegOutput> output(new FfmpegOutput());
  output->program_ = program;
  output->path_ = path;
  output->width_ = width;
  output->height_ = height;
  output->videoTemp_ = hiddenSibling(path, ".video.mp4");
  output->audioTemp_ = hiddenSibling(path, ".audio.wav");
  if (!output->audio_.open(output->audioTemp_)) {
    error = output->audio_.error();
    return nullptr;
  }
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::vector<std::string> arguments = {
      program, "-y", "-hide_banner", "-loglevel", "error",
      "-f", "rawvideo", "-pix_fmt", "bgra", "-s", size, "-framerate", std::to_string(fps), "-i", "pipe:0",
      "-an", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
      "-f", "mp4", output->videoTemp_};
  if (!output->encoder_.start(arguments, true)) {
    error = output->encoder_.error();
    output->audio_.finish();
    output->removeTemporaries();
    return nullptr;
  }
  return output;
}

FfmpegOutput::~FfmpegOutput() {
  if (!finished_) {
    encoder_.finish();
    audio_.finish();
    removeTemporaries();
  }
}

void FfmpegOutput::removeTemporaries() {
  std::remove(videoTemp_.c_str());
  std::remove(audioTemp_.c_str());
}

bool FfmpegOutput::writeFrame(const BgraView& frame, const FrameInfo&) {
  if (!error_.empty()) return false;
  if (frame.bytes == nullptr || frame.width != width_ || frame.height != height_ || frame.pitch < width_ * 4) {
    error_ = "frame of unexpected size for the video";
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  bool ok = true;
  if (static_cast<std::size_t>(frame.pitch) == rowBytes) {
    ok = encoder_.write(frame.bytes, rowBytes * static_cast<std::size_t>(height_));
  } else {
    for (int y = 0; ok && y < height_; ++y) ok = encoder_.write(frame.bytes + static_cast<std::size_t>(y) * frame.pitch, rowBytes);
  }
  if (!ok) {
    error_ = "ffmpeg stopped taking frames (" + encoder_.error() + ")";
    return false;
  }
  ++framesWritten_;
  return true;
}

bool FfmpegOutput::writeAudio(const std::int16_t* samples, std::size_t frames) {
  if (!error_.empty()) return false;
  if (!audio_.append(samples, frames)) {
    error_ = audio_.error();
    return false;
  }
  return true;
}

bool FfmpegOutput::finish() {
  if (finished_) return error_.empty();
  finished_ = true;
  const int encoded = encoder_.finish();
  const bool audioDone = audio_.finish();
  if (error_.empty() && encoded != 0) error_ = "ffmpeg failed to encode the video (exit status " + std::to_string(encoded) + ")";
  if (error_.empty() && !audioDone) error_ = audio_.error();
  if (error_.empty() && framesWritten_ == 0) error_ = "no frame was captured";
  if (error_.empty()) {
    const bool matroska = endsWith(path_, ".mkv");
    std::vector<std::string> arguments = {
        program_, "-y", "-hide_banner", "-loglevel", "error", "-i", videoTemp_, "-i", audioTemp_,
        "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy"};
    if (matroska) {
      arguments.insert(arguments.end(), {"-c:a", "flac"});
    } else {
      arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"});
    }
    arguments.push_back(path_);
    std::string spawnError;
    const int muxed = runProgram(arguments, spawnError);
    if (muxed != 0) {
      error_ = spawnError.empty() ? "ffmpeg failed to join video and sound (exit status " + std::to_string(muxed) + ")"
                                  : spawnError;
    }
  }
  removeTemporaries();
  return error_.empty();
}

std::string FfmpegOutput::describe() const {
  return path_ + " (" + std::to_string(framesWritten_) + " frames)";
}
