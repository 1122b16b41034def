#include "capture/scaled_output.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLanczosLobes = 3;

double sinc(double x) { return x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x); }

double kernel(ScaleFilter filter, double x) {
  x = std::fabs(x);
  if (filter == ScaleFilter::kBilinear) return x < 1 ? 1 - x : 0;
  return x < kLanczosLobes ? sinc(x) * sinc(x / kLanczosLobes) : 0;
}

// The horizontal pass keeps this many bits below the 8 of each channel.
constexpr int kExtraBits = 6;

}  // namespace

ResampleTaps resampleTaps(int source, int target, ScaleFilter filter) {
  ResampleTaps taps;
  if (filter == ScaleFilter::kNearest || filter == ScaleFilter::kAuto) {
    taps.tapsPerSample = 1;
    for (int i = 0; i < target; ++i) {
      // The source sample under the target sample's centre.
      taps.index.push_back(static_cast<int>((2LL * i + 1) * source / (2LL * target)));
      taps.weight.push_back(1 << ResampleTaps::kWeightBits);
    }
    return taps;
  }
  // Shrinking widens the kernel to cover every source sample.
  const double stretch = std::max(1.0, static_cast<double>(source) / target);
  const double radius = (filter == ScaleFilter::kBilinear ? 1.0 : kLanczosLobes) * stretch;
  taps.tapsPerSample = static_cast<int>(std::ceil(radius)) * 2 + 1;
  std::vector<double> raw(taps.tapsPerSample);
  for (int i = 0; i < target; ++i) {
    const double centre = (i + 0.5) * source / target - 0.5;
    // Every source sample closer than the radius, and one of weight zero.
    const int first = static_cast<int>(std::floor(centre)) - taps.tapsPerSample / 2 + 1;
    double sum = 0;
    for (int k = 0; k < taps.tapsPerSample; ++k) sum += raw[k] = kernel(filter, (first + k - centre) / stretch);
    // Whole-number weights summing exactly to one; the rounding rest goes
    // to the largest weight.
    int total = 0;
    int largest = 0;
    const std::size_t base = taps.weight.size();
    for (int k = 0; k < taps.tapsPerSample; ++k) {
      const int weight = static_cast<int>(std::lround(raw[k] / sum * (1 << ResampleTaps::kWeightBits)));
      taps.index.push_back(std::clamp(first + k, 0, source - 1));
      taps.weight.push_back(weight);
      total += weight;
      if (weight > taps.weight[base + largest]) largest = k;
    }
    taps.weight[base + largest] += (1 << ResampleTaps::kWeightBits) - total;
  }
  return taps;
}

ScaledOutput::ScaledOutput(std::unique_ptr<CaptureOutput> inner, int sourceWidth, int sourceHeight, int frameWidth,
                           int frameHeight, ScaleFilter filter)
    : inner_(std::move(inner)),
      sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight),
      frameWidth_(frameWidth),
      frameHeight_(frameHeight),
      picture_(fitPicture(sourceWidth, sourceHeight, frameWidth, frameHeight)) {
  const ScaleFilter chosen = resolveFilter(filter, sourceWidth, sourceHeight, picture_);
  across_ = resampleTaps(sourceWidth, picture_.width, chosen);
  down_ = resampleTaps(sourceHeight, picture_.height, chosen);
  rows_.resize(static_cast<std::size_t>(sourceHeight) * picture_.width * 4);
  // The bars: opaque black, written once.
  frame_.resize(static_cast<std::size_t>(frameWidth) * frameHeight * 4);
  for (std::size_t i = 0; i < frame_.size(); i += 4) frame_[i + 3] = 0xFF;
}

bool ScaledOutput::writeFrame(const BgraView& frame, const FrameInfo& info) {
  if (frame.bytes == nullptr || frame.width != sourceWidth_ || frame.height != sourceHeight_ ||
      frame.pitch < sourceWidth_ * 4) {
    error_ = "frame of unexpected size for scaling";
    return false;
  }
  const int across = across_.tapsPerSample;
  for (int y = 0; y < sourceHeight_; ++y) {
    const std::uint8_t* source = frame.bytes + static_cast<std::size_t>(y) * frame.pitch;
    std::int32_t* row = rows_.data() + static_cast<std::size_t>(y) * picture_.width * 4;
    for (int x = 0; x < picture_.width; ++x) {
      std::int32_t sum[3] = {0, 0, 0};
      for (int k = 0; k < across; ++k) {
        const std::uint8_t* texel = source + across_.index[x * across + k] * 4;
        const int weight = across_.weight[x * across + k];
        for (int c = 0; c < 3; ++c) sum[c] += texel[c] * weight;
      }
      constexpr int kShift = ResampleTaps::kWeightBits - kExtraBits;
      for (int c = 0; c < 3; ++c) row[x * 4 + c] = (sum[c] + (1 << (kShift - 1))) >> kShift;
    }
  }
  const int down = down_.tapsPerSample;
  constexpr int kShift = ResampleTaps::kWeightBits + kExtraBits;
  for (int y = 0; y < picture_.height; ++y) {
    std::uint8_t* target = frame_.data() + (static_cast<std::size_t>(picture_.y + y) * frameWidth_ + picture_.x) * 4;
    for (int x = 0; x < picture_.width; ++x) {
      std::int32_t sum[3] = {0, 0, 0};
      for (int k = 0; k < down; ++k) {
        const std::int32_t* texel = rows_.data() + (static_cast<std::size_t>(down_.index[y * down + k]) * picture_.width + x) * 4;
        const int weight = down_.weight[y * down + k];
        for (int c = 0; c < 3; ++c) sum[c] += texel[c] * weight;
      }
      for (int c = 0; c < 3; ++c) target[x * 4 + c] = static_cast<std::uint8_t>(std::clamp((sum[c] + (1 << (kShift - 1))) >> kShift, 0, 255));
    }
  }
  return inner_->writeFrame({frame_.data(), frameWidth_, frameHeight_, frameWidth_ * 4}, info);
}
