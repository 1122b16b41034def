// Capture to a folder: frame_000000.png, frame_000001.png, ... and
// audio.wav. The capture is made in a hidden folder beside the target and
// moved in only when complete: then the folder is created when missing, and
// frames of an earlier capture in it that the new one lacks are removed, so
// it holds this capture only; other files stay. A failed capture (a full
// disk) leaves the folder as it was. Same frames and sound give the same
// bytes in every file. Frames are encoded on worker threads (png_frame_pool.h).
#pragma once

#include <memory>

#include "capture/capture_output.h"
#include "capture/png_frame_pool.h"
#include "capture/wav_writer.h"
#include "platform/os/output_folder.h"

class PngSequenceOutput final : public CaptureOutput {
 public:
  // Takes the folder's lock, makes the hidden folder and opens audio.wav in it.
  static std::unique_ptr<PngSequenceOutput> open(const std::string& directory, std::string& error);

  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t* samples, std::size_t frames) override;
  bool finish() override;
  ~PngSequenceOutput() override;
  std::string error() const override { return error_; }
  std::string describe() const override;

  // "frame_000042.png" for index 42.
  static std::string frameFileName(std::int64_t index);

 private:
  explicit PngSequenceOutput(std::string directory) : directory_(std::move(directory)) {}

  std::string directory_;
  OutputFolder folder_;
  PngFramePool pool_;
  WavWriter audio_;
  std::int64_t framesWritten_ = 0;
  bool finished_ = false;
  std::string error_;
};
