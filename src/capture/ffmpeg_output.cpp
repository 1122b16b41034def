#include "capture/ffmpeg_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "capture/yuv420_frame.h"

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

// Checks a finished file before it replaces anything: it must be a file
// with bytes in it and, where ffprobe is installed, hold a video stream of
// the expected size and an audio stream. An ffmpeg that exits 0 without
// writing (or after writing a stub) is caught here.
bool checkResult(const std::string& path, int width, int height, std::string& error) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
    error = "ffmpeg wrote no video file";
    return false;
  }
  if (findProgram("ffprobe").empty()) return true;
  std::string streams;
  std::string spawnError;
  const int probed = runProgram(
      {"ffprobe", "-v", "error", "-show_entries", "stream=codec_type,width,height", "-of", "csv=p=0", path}, spawnError,
      &streams);
  const std::string video = "video," + std::to_string(width) + "," + std::to_string(height);
  if (probed != 0 || streams.find(video) == std::string::npos || streams.find("audio") == std::string::npos) {
    std::string found;
    for (char c : streams) found += c == '\n' ? ' ' : c;
    while (!found.empty() && found.back() == ' ') found.pop_back();
    error = "the joined file does not hold " + std::to_string(width) + " x " + std::to_string(height) +
            " video and sound (ffprobe found: " + (found.empty() ? "nothing" : found) + ")";
    return false;
  }
  return true;
}

}  // namespace

bool FfmpegOutput::handles(const std::string& path) {
  return endsWith(path, ".mp4") || endsWith(path, ".mkv");
}

std::unique_ptr<FfmpegOutput> FfmpegOutput::open(const std::string& path, int fps, int width, int height,
                                                 std::string& error, const std::string& program) {
  return open(path, fps, width, height, VideoSettings(), error, program);
}

std::unique_ptr<FfmpegOutput> FfmpegOutput::open(const std::string& path, int fps, int width, int height,
                                                 const VideoSettings& settings, std::string& error,
                                                 const std::string& program) {
  if (!handles(path)) {
    error = path + ": a video capture must end in .mp4 or .mkv";
    return nullptr;
  }
  if (settings.lossless && !endsWith(path, ".mkv")) {
    error = path + ": lossless video is written as .mkv (FFV1), not .mp4";
    return nullptr;
  }
  if (findProgram(program).empty()) {
    error = "ffmpeg was not found (install the ffmpeg package, or capture to a folder of PNG frames instead)";
    return nullptr;
  }
  std::unique_ptr<FfmpegOutput> output(new FfmpegOutput());
  if (!output->lock_.acquire(path, &error)) return nullptr;
  output->program_ = program;
  output->path_ = path;
  output->width_ = width;
  output->height_ = height;
  const bool scaled = settings.frameWidth > 0 && settings.frameHeight > 0;
  output->frameWidth_ = scaled ? settings.frameWidth : width;
  output->frameHeight_ = scaled ? settings.frameHeight : height;
  // The process number keeps the hidden names of two runs apart, whatever
  // else the lock lets through.
  const bool matroska = endsWith(path, ".mkv");
  const std::string run = "." + std::to_string(::getpid());
  output->videoTemp_ = hiddenSibling(path, run + (settings.lossless ? ".video.mkv" : ".video.mp4"));
  output->audioTemp_ = hiddenSibling(path, run + (matroska ? ".audio.mka" : ".audio.m4a"));
  output->resultTemp_ = hiddenSibling(path, run + ".partial");
  const std::vector<std::string> quiet = {program, "-y", "-nostdin", "-hide_banner", "-loglevel", "error"};

  std::vector<std::string> sound = quiet;
  sound.insert(sound.end(), {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:0"});
  if (matroska) {
    sound.insert(sound.end(), {"-c:a", "flac", "-f", "matroska"});
  } else {
    sound.insert(sound.end(), {"-c:a", "aac", "-b:a", "192k", "-f", "mp4"});
  }
  sound.push_back(output->audioTemp_);
  if (!output->soundEncoder_.start(sound, true)) {
    error = output->soundEncoder_.error();
    return nullptr;
  }

  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  // H.264 of the frames' own size takes them in its own pixel format.
  output->yuvOnPipe_ = !scaled && !settings.lossless && width % 2 == 0 && height % 2 == 0;
  std::vector<std::string> arguments = quiet;
  arguments.insert(arguments.end(), {"-f", "rawvideo", "-pix_fmt", output->yuvOnPipe_ ? "yuv420p" : "bgra", "-s",
                                     size, "-framerate", std::to_string(fps), "-i", "pipe:0", "-an"});
  // ffmpeg scales, so that the capture itself only ever handles the rendered frames.
  if (scaled) {
    arguments.insert(arguments.end(),
                     {"-vf", ffmpegScaleChain(width, height, settings.frameWidth, settings.frameHeight, settings.filter)});
  }
  if (settings.lossless) {
    arguments.insert(arguments.end(), {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0", "-f", "matroska"});
  } else {
    arguments.insert(arguments.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", std::to_string(settings.quality),
                                       "-pix_fmt", "yuv420p", "-f", "mp4"});
  }
  arguments.push_back(output->videoTemp_);
  if (!output->encoder_.start(arguments, true)) {
    error = output->encoder_.error();
    output->soundEncoder_.finish();
    output->removeTemporaries();
    return nullptr;
  }
  output->writer_ = std::thread([raw = output.get()] { raw->feedEncoder(); });
  return output;
}

FfmpegOutput::~FfmpegOutput() {
  if (!finished_) {
    stopWriter();
    encoder_.finish();
    soundEncoder_.finish();
    removeTemporaries();
  }
}

void FfmpegOutput::removeTemporaries() {
  std::remove(videoTemp_.c_str());
  std::remove(audioTemp_.c_str());
  std::remove(resultTemp_.c_str());
}

void FfmpegOutput::feedEncoder() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
    if (queue_.empty()) return;
    std::vector<std::uint8_t> frame = std::move(queue_.front());
    queue_.pop_front();
    const bool failed = !writeError_.empty();
    lock.unlock();
    // After a failure the rest is dropped: the capture stops at its next frame.
    bool written = failed;
    if (!failed && yuvOnPipe_) {
      converted_.resize(yuv420FrameBytes(width_, height_));
      convertToYuv420(frame.data(), width_, height_, static_cast<std::size_t>(width_) * 4, converted_.data());
      written = encoder_.write(converted_.data(), converted_.size());
    } else if (!failed) {
      written = encoder_.write(frame.data(), frame.size());
    }
    lock.lock();
    if (!written && writeError_.empty()) writeError_ = "ffmpeg stopped taking frames (" + encoder_.error() + ")";
    spareFrames_.push_back(std::move(frame));
    changed_.notify_all();
  }
}

void FfmpegOutput::stopWriter() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  writer_.join();
  if (error_.empty()) error_ = writeError_;
}

bool FfmpegOutput::writeFrame(const BgraView& frame, const FrameInfo&) {
  if (!error_.empty()) return false;
  if (frame.bytes == nullptr || frame.width != width_ || frame.height != height_ || frame.pitch < width_ * 4) {
    error_ = "frame of unexpected size for the video";
    return false;
  }
  // Two frames may wait: enough to keep ffmpeg busy while the next renders.
  constexpr std::size_t kWaitingFrames = 2;
  std::vector<std::uint8_t> packed;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < kWaitingFrames || !writeError_.empty(); });
    if (!writeError_.empty()) {
      error_ = writeError_;
      return false;
    }
    if (!spareFrames_.empty()) {
      packed = std::move(spareFrames_.back());
      spareFrames_.pop_back();
    }
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  packed.resize(rowBytes * static_cast<std::size_t>(height_));
  if (static_cast<std::size_t>(frame.pitch) == rowBytes) {
    std::memcpy(packed.data(), frame.bytes, packed.size());
  } else {
    for (int y = 0; y < height_; ++y) {
      std::memcpy(packed.data() + y * rowBytes, frame.bytes + static_cast<std::size_t>(y) * frame.pitch, rowBytes);
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(packed));
  }
  changed_.notify_all();
  ++framesWritten_;
  return true;
}

bool FfmpegOutput::writeAudio(const std::int16_t* samples, std::size_t frames) {
  if (!error_.empty()) return false;
  // Little-endian on the pipe whatever the host order.
  soundBytes_.resize(frames * 4);
  for (std::size_t i = 0; i < frames * 2; ++i) {
    const auto sample = static_cast<std::uint16_t>(samples[i]);
    soundBytes_[2 * i] = static_cast<std::uint8_t>(sample);
    soundBytes_[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
  }
  if (!soundEncoder_.write(soundBytes_.data(), soundBytes_.size())) {
    error_ = "ffmpeg stopped taking the sound (" + soundEncoder_.error() + ")";
    return false;
  }
  return true;
}

bool FfmpegOutput::finish() {
  if (finished_) return error_.empty();
  finished_ = true;
  stopWriter();
  const int encoded = encoder_.finish();
  const int soundEncoded = soundEncoder_.finish();
  if (error_.empty() && encoded != 0) error_ = "ffmpeg failed to encode the video (exit status " + std::to_string(encoded) + ")";
  if (error_.empty() && soundEncoded != 0) {
    error_ = "ffmpeg failed to encode the sound (exit status " + std::to_string(soundEncoded) + ")";
  }
  if (error_.empty() && framesWritten_ == 0) error_ = "no frame was captured";
  if (error_.empty()) {
    // Joined into a hidden file beside OUT, checked, then renamed over OUT:
    // a full disk or a failing ffmpeg never destroys an earlier OUT. Both
    // streams are copied as they are, so this is only a pass over the file.
    const bool matroska = endsWith(path_, ".mkv");
    std::vector<std::string> arguments = {
        program_, "-y", "-nostdin", "-hide_banner", "-loglevel", "error", "-i", videoTemp_, "-i", audioTemp_,
        "-map", "0:v:0", "-map", "1:a:0", "-c", "copy"};
    if (matroska) {
      arguments.insert(arguments.end(), {"-f", "matroska"});
    } else {
      arguments.insert(arguments.end(), {"-movflags", "+faststart", "-f", "mp4"});
    }
    arguments.push_back(resultTemp_);
    std::string spawnError;
    const int muxed = runProgram(arguments, spawnError);
    if (muxed != 0) {
      error_ = spawnError.empty() ? "ffmpeg failed to join video and sound (exit status " + std::to_string(muxed) + ")"
                                  : spawnError;
    } else if (checkResult(resultTemp_, frameWidth_, frameHeight_, error_) && std::rename(resultTemp_.c_str(), path_.c_str()) != 0) {
      error_ = "cannot move the finished video to " + path_ + ": " + std::strerror(errno);
    }
    if (!error_.empty()) error_ += "; " + path_ + " was left as it was";
  }
  removeTemporaries();
  return error_.empty();
}

std::string FfmpegOutput::describe() const {
  return path_ + " (" + std::to_string(framesWritten_) + " frames)";
}
