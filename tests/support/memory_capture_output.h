// A capture output that keeps in memory what reaches it: every frame's
// information, the pixels of the last frame and all the sound. It can be
// told to refuse frames ("disk full") or sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_output.h"

class MemoryOutput final : public CaptureOutput {
 public:
  bool writeFrame(const BgraView& frame, const FrameInfo& info) override {
    if (failFrames) return false;
    frames.push_back(info);
    width = frame.width;
    height = frame.height;
    pixels.clear();
    for (int y = 0; y < frame.height; ++y) {
      const std::uint8_t* bytes = frame.bytes + static_cast<std::ptrdiff_t>(y) * frame.pitch;
      const auto* row = reinterpret_cast<const std::uint32_t*>(bytes);
      pixels.insert(pixels.end(), row, row + frame.width);
    }
    return true;
  }
  bool writeAudio(const std::int16_t* samples, std::size_t count) override {
    if (failAudio) return false;
    sound.insert(sound.end(), samples, samples + 2 * count);
    return true;
  }
  bool finish() override { return true; }
  std::string error() const override { return failFrames ? "disk full" : ""; }
  std::string describe() const override { return "memory"; }

  bool failFrames = false;
  bool failAudio = false;
  std::vector<FrameInfo> frames;
  std::vector<std::int16_t> sound;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // the last frame, `width` a row
};
