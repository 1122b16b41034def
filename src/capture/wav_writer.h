// WAV output of the captured music: 44,100 Hz, 2 channels, 16-bit PCM.
// The file is valid after finish(); the sizes in its header are written
// then, from the number of sample frames actually appended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr int kChannels = 2;

  WavWriter() = default;
  ~WavWriter();  // finishes an unfinished file
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates (or replaces) the file and writes a provisional header.
  bool open(const std::string& path);
  // Appends `frames` stereo sample frames (interleaved left, right).
  bool append(const std::int16_t* samples, std::size_t frames);
  // Writes the final sizes into the header and closes the file.
  bool finish();

  std::uint64_t framesWritten() const { return framesWritten_; }
  const std::string& error() const { return error_; }

 private:
  bool fail(const std::string& message);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::uint64_t framesWritten_ = 0;
  std::string error_;
};
