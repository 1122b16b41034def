// Encodes and writes PNG frames on worker threads, so that compression
// runs beside the rendering of the next frames and uses every core. Each
// frame is copied when queued; the files and their bytes are the same as
// when written one after another. The files are new ones in a folder this
// run alone writes (the output folder being built). Queued from one thread
// (the capture's).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/png_writer.h"

class PngFramePool {
 public:
  // `workers` 0: one per core (at most 8). At most `workers` * 2 frames wait.
  explicit PngFramePool(int workers = 0);
  ~PngFramePool();  // writes what is queued, then stops the workers
  PngFramePool(const PngFramePool&) = delete;
  PngFramePool& operator=(const PngFramePool&) = delete;

  // Queues frame `index` for `path`; waits while the queue is full. False
  // once any frame has failed (nothing more is queued then).
  bool submit(std::int64_t index, std::string path, const BgraView& picture);
  // Waits until every queued frame is written; false if any failed.
  bool drain();
  // The failure of the earliest frame that failed, and its index (-1: none).
  std::string error() const;
  std::int64_t firstFailedIndex() const;

 private:
  struct Job {
    std::int64_t index = 0;
    std::string path;
    std::vector<std::uint8_t> pixels;  // packed BGRA rows
    int width = 0;
    int height = 0;
  };

  void work();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::vector<std::vector<std::uint8_t>> spareBuffers_;
  std::size_t maxQueued_ = 2;
  int busy_ = 0;  // jobs taken by workers and not yet done
  bool stopping_ = false;
  std::int64_t failedIndex_ = -1;
  std::string error_;
  std::vector<std::thread> workers_;
};
