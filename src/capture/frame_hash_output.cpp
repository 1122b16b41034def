#include "capture/frame_hash_output.h"

#include <cinttypes>
#include <cstdio>

std::string FrameHashOutput::frameLine(std::int64_t index, std::size_t size, const std::string& digest) {
  char line[128];
  std::snprintf(line, sizeof line, "0, %10" PRId64 ", %10" PRId64 ", %8d, %8zu, %s\n", index, index, 1, size,
                digest.c_str());
  return line;
}

bool FrameHashOutput::writeFrame(const BgraView& frame, const FrameInfo& /*info*/) {
  // Hashed as a captured frame reads back: the picture has no alpha, so
  // every pixel's fourth byte is 255 whatever the device left there.
  Md5 pixels;
  const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
  row_.resize(rowBytes);
  for (int y = 0; y < frame.height; ++y) {
    const std::uint8_t* source = frame.bytes + static_cast<std::size_t>(y) * frame.pitch;
    for (std::size_t i = 0; i < rowBytes; i += 4) {
      row_[i] = source[i];
      row_[i + 1] = source[i + 1];
      row_[i + 2] = source[i + 2];
      row_[i + 3] = 0xFF;
    }
    pixels.update(row_.data(), rowBytes);
  }
  lines_.update(frameLine(frames_, rowBytes * frame.height, pixels.hexDigest()));
  ++frames_;
  return true;
}

bool FrameHashOutput::writeAudio(const std::int16_t* samples, std::size_t frames) {
  // Little-endian, as in a WAV file, whatever this machine's order.
  for (std::size_t i = 0; i < frames * 2; ++i) {
    const auto value = static_cast<std::uint16_t>(samples[i]);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
    sound_.update(bytes, 2);
  }
  soundFrames_ += static_cast<std::int64_t>(frames);
  return true;
}

bool FrameHashOutput::finish() {
  if (result_.empty()) {
    result_ = std::to_string(frames_) + " frames at " + std::to_string(fps_) + " fps: " + lines_.hexDigest();
    soundResult_ = "sound " + std::to_string(soundFrames_) + " samples: " + sound_.hexDigest();
  }
  return true;
}
