// Where a capture's frames and sound go: a video file through ffmpeg, a
// folder of PNG frames with a WAV file, a contact sheet, or nowhere (the
// benchmark). The capture driver calls writeFrame once per presented frame,
// then writeAudio with the sound of that frame, and finish once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/png_writer.h"

// What the driver knows about the frame being written.
struct FrameInfo {
  std::int64_t index = 0;  // 0 for the first presented frame
  std::uint32_t timeMs = 0;  // the virtual clock when the frame was drawn
  int order = 0;  // music position the frame was drawn at
  int row = 0;
  int timelineEntry = 0;  // timeline entry current for that position
};

class CaptureOutput {
 public:
  virtual ~CaptureOutput() = default;
  virtual bool writeFrame(const BgraView& frame, const FrameInfo& info) = 0;
  // Interleaved stereo int16 at 44,100 Hz.
  virtual bool writeAudio(const std::int16_t* samples, std::size_t frames) = 0;
  // Completes the files. Called once, also after an earlier failure.
  virtual bool finish() = 0;
  // The first failure, empty while all is well.
  virtual std::string error() const = 0;
  // Where the result is, for the closing message.
  virtual std::string describe() const = 0;
};
