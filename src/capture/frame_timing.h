// The fixed-step clock of an offline capture. Frame k is drawn at
// floor(k * 1000 / fps) milliseconds and its sound is the samples from
// k * 44100 / fps up to (k + 1) * 44100 / fps (rounded down). Both come
// from the absolute frame index, so a rate that does not divide 1000 or
// 44,100 never drifts: after k frames the clock and the sound are within
// one millisecond and one sample of k / fps seconds.
#pragma once

#include <cstdint>

constexpr int kCaptureSampleRate = 44100;
constexpr int kMinCaptureFps = 1;
constexpr int kMaxCaptureFps = 1000;

constexpr std::uint32_t frameTimeMs(std::int64_t frame, int fps) {
  return static_cast<std::uint32_t>(frame * 1000 / fps);
}

constexpr std::int64_t samplesBeforeFrame(std::int64_t frame, int fps) {
  return frame * kCaptureSampleRate / fps;
}
