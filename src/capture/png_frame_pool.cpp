#include "capture/png_frame_pool.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/os/background_thread.h"
#include "platform/os/output_file.h"

PngFramePool::PngFramePool(int workers) {
  if (workers <= 0) workers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  maxQueued_ = static_cast<std::size_t>(workers) * 2;
  for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
}

PngFramePool::~PngFramePool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

bool PngFramePool::submit(std::int64_t index, std::string path, const BgraView& picture) {
  Job job;
  job.index = index;
  job.path = std::move(path);
  job.width = picture.width;
  job.height = picture.height;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < maxQueued_ || failedIndex_ >= 0; });
  if (failedIndex_ >= 0) return false;
  if (!spareBuffers_.empty()) {
    job.pixels = std::move(spareBuffers_.back());
    spareBuffers_.pop_back();
  }
  lock.unlock();
  // A picture the encoder would refuse keeps its size, and fails there.
  if (picture.bytes != nullptr && picture.width > 0 && picture.height > 0 && picture.pitch >= picture.width * 4) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
    job.pixels.resize(rowBytes * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
      std::memcpy(job.pixels.data() + y * rowBytes, picture.bytes + static_cast<std::size_t>(y) * picture.pitch,
                  rowBytes);
    }
  } else {
    job.pixels.clear();
  }
  lock.lock();
  queue_.push_back(std::move(job));
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool PngFramePool::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
  return failedIndex_ < 0;
}

std::string PngFramePool::error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

std::int64_t PngFramePool::firstFailedIndex() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failedIndex_;
}

void PngFramePool::work() {
  lowerCurrentThreadPriority();
  std::vector<std::uint8_t> encoded;  // reused: no page faults per frame
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    const bool skip = failedIndex_ >= 0 && job.index > failedIndex_;
    lock.unlock();

    PngResult result{true, {}};
    if (!skip) {
      const BgraView view{job.pixels.empty() ? nullptr : job.pixels.data(), job.width, job.height, job.width * 4};
      try {
        result = encodePng(view, encoded);
        std::string error;
        if (result.ok && !writeNewFileInOwnFolder(job.path, encoded, &error)) result = {false, error};
      } catch (const std::bad_alloc&) {
        result = {false, "out of memory while writing " + job.path};
      }
    }

    lock.lock();
    --busy_;
    if (!result.ok && (failedIndex_ < 0 || job.index < failedIndex_)) {
      failedIndex_ = job.index;
      error_ = result.error;
    }
    spareBuffers_.push_back(std::move(job.pixels));
    changed_.notify_all();
  }
}
