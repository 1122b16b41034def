// Scales every frame to a fixed frame size before passing it on (the PNG
// folder capture with --size): the picture fitted at its own aspect ratio
// with black bars (frame_fit.h). Whole-number fixed-point arithmetic, so the
// same frame always gives the same bytes. Sound passes through unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "capture/capture_output.h"
#include "capture/frame_fit.h"

// One output sample of a separable resampling pass: `count` source indices
// from `taps` with weights summing to 1 << kWeightBits.
struct ResampleTaps {
  static constexpr int kWeightBits = 12;
  int tapsPerSample = 0;
  std::vector<int> index;    // tapsPerSample per output sample, clamped to the source
  std::vector<int> weight;
};

// The taps that resample `source` samples to `target` with `filter`
// (not kAuto).
ResampleTaps resampleTaps(int source, int target, ScaleFilter filter);

class ScaledOutput final : public CaptureOutput {
 public:
  ScaledOutput(std::unique_ptr<CaptureOutput> inner, int sourceWidth, int sourceHeight, int frameWidth, int frameHeight,
               ScaleFilter filter);

  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t* samples, std::size_t frames) override { return inner_->writeAudio(samples, frames); }
  bool finish() override { return inner_->finish(); }
  std::string error() const override { return error_.empty() ? inner_->error() : error_; }
  std::string describe() const override { return inner_->describe(); }

 private:
  std::unique_ptr<CaptureOutput> inner_;
  int sourceWidth_;
  int sourceHeight_;
  int frameWidth_;
  int frameHeight_;
  PictureRect picture_;
  ResampleTaps across_;
  ResampleTaps down_;
  std::vector<std::int32_t> rows_;  // the horizontal pass: sourceHeight x picture width x 4
  std::vector<std::uint8_t> frame_;
  std::string error_;
};
