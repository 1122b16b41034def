#include "capture/png_sequence_output.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool ensureDirectory(const std::string& directory, std::string& error) {
  struct stat info;
  if (::stat(directory.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    error = directory + " exists and is not a folder";
    return false;
  }
  if (::mkdir(directory.c_str(), 0777) != 0) {
    error = "cannot create the folder " + directory + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

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

// Frames of an earlier, longer capture would otherwise follow the new ones
// as if they belonged to it. Only names this output writes are removed.
bool removeEarlierFrames(const std::string& directory, std::string& error) {
  DIR* folder = ::opendir(directory.c_str());
  if (folder == nullptr) {
    error = "cannot read the folder " + directory + ": " + std::strerror(errno);
    return false;
  }
  bool ok = true;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (isFrameFileName(name) && std::remove((directory + "/" + name).c_str()) != 0) {
      error = "cannot remove the earlier frame " + directory + "/" + name + ": " + std::strerror(errno);
      ok = false;
      break;
    }
  }
  ::closedir(folder);
  return ok;
}

}  // namespace

std::unique_ptr<PngSequenceOutput> PngSequenceOutput::open(const std::string& directory, std::string& error) {
  if (!ensureDirectory(directory, error) || !removeEarlierFrames(directory, error)) return nullptr;
  std::unique_ptr<PngSequenceOutput> output(new PngSequenceOutput(directory));
  if (!output->audio_.open(directory + "/audio.wav")) {
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
  if (!pool_.submit(info.index, directory_ + "/" + frameFileName(info.index), frame)) {
    error_ = pool_.error();
    return false;
  }
  ++framesWritten_;
  lastIndex_ = std::max(lastIndex_, info.index);
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
  if (!pool_.drain()) {
    // The folder keeps the frames before the first failed one and nothing
    // after: the failed frame's partial file is already gone, and frames
    // written after it would follow a gap.
    error_ = pool_.error();
    for (std::int64_t index = pool_.firstFailedIndex(); index <= lastIndex_; ++index) {
      std::remove((directory_ + "/" + frameFileName(index)).c_str());
    }
    framesWritten_ = pool_.firstFailedIndex();
  }
  if (!audio_.finish() && error_.empty()) error_ = audio_.error();
  return error_.empty();
}

std::string PngSequenceOutput::describe() const {
  return std::to_string(framesWritten_) + " PNG frames and audio.wav in " + directory_;
}
