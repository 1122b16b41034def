#include "capture/png_sequence_output.h"

#include <cstdio>

namespace {

// "frame_" and at least six digits and ".png": a name this output writes.
bool isFrameFileName(const std::string& name) {
  constexpr std::size_t kPrefix = 6;  // "frame_"
  constexpr std::size_t kSuffix = 4;  // ".png"
  if (name.size() < kPrefix + 6 + kSuffix || name.compare(0, kPrefix, "frame_") != 0 ||
      name.compare(name.size() - kSuffix, kSuffix, ".png") != 0) {
    return false;
  }
  for (std::size_t i = kPrefix; i < name.size() - kSuffix; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<PngSequenceOutput> PngSequenceOutput::open(const std::string& directory, std::string& error) {
  std::unique_ptr<PngSequenceOutput> output(new PngSequenceOutput(directory));
  if (!output->folder_.open(directory, &error)) return nullptr;
  if (!output->audio_.open(output->folder_.building() + "/audio.wav")) {
    error = output->audio_.error();
    return nullptr;
  }
  return output;
}

std::string PngSequenceOutput::frameFileName(std::int64_t index) {
  char name[40];
  std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
  return name;
}

bool PngSequenceOutput::writeFrame(const BgraView& frame, const FrameInfo& info) {
  if (!error_.empty()) return false;
  if (!pool_.submit(info.index, folder_.building() + "/" + frameFileName(info.index), frame)) {
    error_ = pool_.error();
    return false;
  }
  ++framesWritten_;
  return true;
}

bool PngSequenceOutput::writeAudio(const std::int16_t* samples, std::size_t frames) {
  if (!error_.empty()) return false;
  if (!audio_.append(samples, frames)) {
    error_ = audio_.error();
    return false;
  }
  return true;
}

bool PngSequenceOutput::finish() {
  if (finished_) return error_.empty();
  finished_ = true;
  if (!pool_.drain()) error_ = pool_.error();
  if (!audio_.finish() && error_.empty()) error_ = audio_.error();
  if (error_.empty()) folder_.commit(isFrameFileName, &error_);
  if (!error_.empty()) {
    folder_.abandon();
    framesWritten_ = 0;
    error_ += "; " + directory_ + " was left as it was";
  }
  return error_.empty();
}

PngSequenceOutput::~PngSequenceOutput() {
  // The workers stop writing into the hidden folder before it is removed.
  if (!finished_) {
    pool_.drain();
    audio_.finish();
    folder_.abandon();
  }
}

std::string PngSequenceOutput::describe() const {
  return std::to_string(framesWritten_) + " PNG frames and audio.wav in " + directory_;
}
