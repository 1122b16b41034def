// Capture to a folder: frame_000000.png, frame_000001.png, ... and
// audio.wav. The folder is created when missing; frames of an earlier
// capture in it are removed first, so the folder holds this capture only.
// Same frames and sound give the same bytes in every file. Frames are
// encoded on worker threads (png_frame_pool.h); a failed frame (a full
// disk) ends the capture with the frames before it kept.
#pragma once

#include <memory>

#include "capture/capture_output.h"
#include "capture/png_frame_pool.h"
#include "capture/wav_writer.h"

class PngSequenceOutput final : public CaptureOutput {
 public:
  // Creates the folder (one level) if needed and opens audio.wav.
  static std::unique_ptr<PngSequenceOutput> open(const std::string& directory, std::string& error);

  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t* samples, std::size_t frames) override;
  bool finish() override;
  std::string error() const override { return error_; }
  std::string describe() const override;

  // "frame_000042.png" for index 42.
  static std::string frameFileName(std::int64_t index);

 private:
  explicit PngSequenceOutput(std::string directory) : directory_(std::move(directory)) {}

  std::string directory_;
  PngFramePool pool_;
  WavWriter audio_;
  std::int64_t framesWritten_ = 0;
  std::int64_t lastIndex_ = -1;
  bool finished_ = false;
  std::string error_;
};
