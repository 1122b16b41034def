// --frame-hash: keeps no frame, only one md5 over the run. Each frame's
// BGRA bytes (top row first, alpha 255 as in a captured frame) get their own md5, written as the line ffmpeg's
// framemd5 muxer prints for that frame ("0, N, N, 1, SIZE, DIGEST" in its
// column widths); the result is the md5 of all those lines. So a capture
// hashed with `ffmpeg -f framemd5 -pix_fmt bgra` gives the same hash. The
// sound gets an md5 of its own over exactly the 16-bit little-endian stereo
// samples a capture writes into audio.wav (its data chunk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_output.h"
#include "capture/md5.h"

class FrameHashOutput final : public CaptureOutput {
 public:
  explicit FrameHashOutput(int fps) : fps_(fps) {}
  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t* samples, std::size_t frames) override;
  bool finish() override;
  std::string error() const override { return {}; }
  std::string describe() const override { return "nowhere"; }
  // "N frames at F fps: HASH", once finish() has run.
  const std::string& resultLine() const { return result_; }
  // "sound S samples: HASH" (S stereo sample frames), once finish() has run.
  const std::string& soundLine() const { return soundResult_; }
  // The framemd5 line of one frame, with its newline.
  static std::string frameLine(std::int64_t index, std::size_t size, const std::string& digest);

 private:
  int fps_;
  std::int64_t frames_ = 0;
  Md5 lines_;
  std::vector<std::uint8_t> row_;
  std::string result_;
  std::int64_t soundFrames_ = 0;
  Md5 sound_;
  std::string soundResult_;
};
