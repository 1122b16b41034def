// The device's rasterisation on several threads.
//
// Draw and Clear calls are recorded as batches (one pixel state and its
// screen-space triangles, or one clear) and executed per horizontal band of
// the back buffer: a band runs every batch in submission order, and each
// pixel belongs to exactly one band, so every pixel sees the same writes in
// the same order as on one thread. Clipping a triangle to a band's rows does
// not change its set-up (planes and edge functions come from the vertices
// alone), so the pixels are bit-identical for any thread count.
//
// Work starts as soon as a batch is submitted, so rasterising overlaps the
// caller's own work (vertex processing, decoding) until something needs the
// result: waitFor() a batch number, or finish() everything. A thread that
// waits rasterises bands itself meanwhile, so N threads means N - 1 workers
// plus the waiting caller. With one thread every batch runs at once on the
// caller's thread. Recording and waiting: the device's thread only.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/d3d8/rasterizer.h"

class RenderQueue {
 public:
  struct Triangle {
    RasterVertex v[3];
    int yMin, yMax;  // rows the triangle can touch, a conservative range
  };
  struct ClearRect {
    int x0, y0, x1, y1;  // half-open, already inside the buffer
  };
  struct ClearCommand {
    bool colour = false, depth = false;
    std::uint32_t colourValue = 0;
    std::uint16_t depthValue = 0;
    std::vector<ClearRect> rects;
  };

  // Buffers the clears write, rows `pitch` pixels apart; both outlive the queue.
  RenderQueue(std::uint32_t* colour, std::uint16_t* depth, int pitch, int height, int threads);
  ~RenderQueue();
  RenderQueue(const RenderQueue&) = delete;
  RenderQueue& operator=(const RenderQueue&) = delete;

  int threads() const { return threads_; }

  // Recording: a draw opens a batch with its pixel state, adds triangles and
  // submits it; returns the batch's number (1, 2, ...). Numbers grow for the
  // queue's whole life. A draw of many triangles is published in parts as
  // it is recorded; its number is that of its last part.
  void beginDraw(const PixelState& state);
  void addTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c);
  std::uint64_t submitDraw();
  std::uint64_t submitClear(ClearCommand command);

  // Returns once every batch up to `batch` has been executed in every band.
  void waitFor(std::uint64_t batch);
  // Returns once everything submitted has been executed.
  void finish();

  // Runs task(context, begin, end) over row ranges covering [0, rows), at
  // least `minRows` rows each (the last may be longer), at most four ranges
  // per thread; the caller runs ranges too and returns once all
  // are done. The ranges depend only on the counts, never on timing. Queued
  // draws keep running meanwhile: the task must touch no buffer they use.
  using RowTask = void (*)(void* context, int begin, int end);
  void runRows(int rows, int minRows, RowTask task, void* context);

 private:
  struct Batch {
    bool isClear = false;
    PixelState state;
    std::vector<Triangle> triangles;
    // For each band, the triangles that may touch its rows, in submission
    // order: a band reads only its own instead of every triangle's rows.
    std::vector<std::vector<std::uint32_t>> bandTriangles;
    ClearCommand clear;
  };
  struct Band {
    int top, bottom;
    std::size_t cursor = 0;  // batches [0, cursor) done in this band
    bool busy = false;
  };

  Batch& openBatch();
  std::uint64_t submit();
  void runBatch(const Batch& batch, std::size_t band) const;
  void runClear(const ClearCommand& clear, int top, int bottom) const;
  void workerLoop();
  // With the lock held: runs one unclaimed range of the row job unlocked;
  // false when there was none.
  bool runSomeRows(std::unique_lock<std::mutex>& lock);
  // With the lock held: claims a band with work below `limit` batches and
  // runs it unlocked; false when there was none.
  bool runSomeBand(std::unique_lock<std::mutex>& lock, std::size_t limit, std::vector<const Batch*>& scratch);
  std::size_t completedLocked() const;

  std::uint32_t* colour_;
  std::uint16_t* depth_;
  int pitch_;
  int height_;
  int threads_;
  int bandRows_ = 0;

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable bandDone_;
  bool stopping_ = false;
  // Batches [0, published_) are visible to the bands; the one at
  // published_ may be being recorded. Reused from frame to frame.
  std::vector<std::unique_ptr<Batch>> batches_;
  std::size_t published_ = 0;
  std::uint64_t retired_ = 0;  // batch numbers of storage already recycled
  std::vector<Band> bands_;
  std::vector<std::thread> workers_;
  std::vector<const Batch*> callerScratch_;
  struct RowJob {
    RowTask task = nullptr;
    void* context = nullptr;
    int rows = 0;
    int parts = 0;
    int claimed = 0;  // ranges [0, claimed) are taken
    int done = 0;
  } rowJob_;
  Batch immediate_;  // the open batch with one thread
};
