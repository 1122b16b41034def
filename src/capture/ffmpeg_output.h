// Capture to a video file through the ffmpeg program.
//
// Frames may be scaled by ffmpeg to another frame size (with black bars),
// and encoded at a chosen constant quality or, for .mkv, losslessly (FFV1
// in RGB); see VideoSettings.
//
// Two ffmpeg processes run beside the presentation, so that neither stream
// ever waits for the other: one takes raw frames on a pipe and encodes them
// into a hidden video-only file beside OUT (H.264 gets them as yuv420p,
// converted by this output's writer thread, yuv420_frame.h; FFV1 and frames
// ffmpeg scales get BGRA), the other
// takes the sound (16-bit stereo PCM) on its own pipe and encodes it (AAC
// for .mp4, FLAC for .mkv) into a hidden sound-only file. Frames are handed
// to the pipe by a writer thread of this output, so the next frame renders
// while ffmpeg takes the last one. finish() then joins both files into a
// third hidden file by copying the streams, checks it, renames it to OUT
// and removes the hidden files. OUT is only ever replaced by a complete,
// checked file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/capture_output.h"
#include "capture/child_process.h"
#include "capture/frame_fit.h"
#include "platform/os/output_lock.h"

// How the video is encoded; the defaults keep the frames' size and use
// H.264 at constant quality 18.
struct VideoSettings {
  static constexpr int kDefaultQuality = 18;

  int frameWidth = 0;  // 0: the frames' own size
  int frameHeight = 0;
  ScaleFilter filter = ScaleFilter::kAuto;
  int quality = kDefaultQuality;  // x264's constant rate factor, 0 (best) to 51
  bool lossless = false;  // FFV1 in RGB; .mkv only
};

class FfmpegOutput final : public CaptureOutput {
 public:
  // True for names this output can write: ending in .mp4 or .mkv.
  static bool handles(const std::string& path);
  // Starts the encoder. `program` is the ffmpeg to run (found on PATH).
  static std::unique_ptr<FfmpegOutput> open(const std::string& path, int fps, int width, int height,
                                            std::string& error, const std::string& program = "ffmpeg");
  static std::unique_ptr<FfmpegOutput> open(const std::string& path, int fps, int width, int height,
                                            const VideoSettings& settings, std::string& error,
                                            const std::string& program = "ffmpeg");
  ~FfmpegOutput() override;

  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t* samples, std::size_t frames) override;
  bool finish() override;
  std::string error() const override { return error_; }
  std::string describe() const override;

 private:
  FfmpegOutput() = default;
  void removeTemporaries();
  // The writer thread: hands queued frames to the video encoder in order.
  void feedEncoder();
  // Stops the writer thread once the queue is empty; the first failure of
  // a frame's write, if any, becomes error_.
  void stopWriter();

  std::string program_;
  std::string path_;
  std::string videoTemp_;
  std::string audioTemp_;
  std::string resultTemp_;
  OutputLock lock_;  // one run per video, from open() until the object goes
  int width_ = 0;
  int height_ = 0;
  int frameWidth_ = 0;  // of the encoded video
  int frameHeight_ = 0;
  ChildProcess encoder_;
  ChildProcess soundEncoder_;
  std::vector<std::uint8_t> soundBytes_;  // little-endian samples for the pipe

  // Frames waiting for the writer thread, packed BGRA rows.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool yuvOnPipe_ = false;  // the writer converts frames to yuv420p
  std::vector<std::uint8_t> converted_;  // writer thread only
  std::deque<std::vector<std::uint8_t>> queue_;
  std::vector<std::vector<std::uint8_t>> spareFrames_;
  bool closing_ = false;
  std::string writeError_;  // the writer's first failure
  std::thread writer_;
  std::int64_t framesWritten_ = 0;
  bool finished_ = false;
  std::string error_;
};
