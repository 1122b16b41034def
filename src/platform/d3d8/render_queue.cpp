#include "platform/d3d8/render_queue.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Bands per thread: several, so a thread that finishes a cheap band (sky)
// takes another instead of idling while a costly one (the mesh) finishes.
constexpr int kBandsPerThread = 3;
constexpr int kMinBandRows = 8;
constexpr int kRangesPerThread = 4;
// A long draw is published in parts of this many triangles, so the bands
// start on it while the rest is still being transformed and recorded.
constexpr std::size_t kTrianglesPerPart = 512;

// Sets count elements from first to value, sixteen bytes per store where
// the processor has SSE2 (std::fill stores one element at a time here).
template <typename T>
void fillElements(T* first, std::size_t count, T value) {
  std::size_t i = 0;
#if defined(__SSE2__)
  static_assert(sizeof(T) == 2 || sizeof(T) == 4);
  constexpr std::size_t kPerVector = 16 / sizeof(T);
  const __m128i pattern = sizeof(T) == 2 ? _mm_set1_epi16(static_cast<short>(value))
                                         : _mm_set1_epi32(static_cast<int>(value));
  for (; i + kPerVector <= count; i += kPerVector) _mm_storeu_si128(reinterpret_cast<__m128i*>(first + i), pattern);
#endif
  for (; i < count; ++i) first[i] = value;
}

// A row bound that is certainly outside the buffer for coordinates the
// rasterizer would drop anyway (it drops non-finite and far-away vertices).
// `y` is in screen units, `scale` buffer rows per unit.
int rowBound(float y, int scale, bool lower) {
  // NaN gives the widest range; the rasterizer drops such a triangle itself.
  const float clamped = std::isnan(y) ? (lower ? -65536.0f : 65536.0f) : std::clamp(y, -65536.0f, 65536.0f);
  const double row = static_cast<double>(clamped) * scale;
  return lower ? static_cast<int>(std::floor(row)) - 1 : static_cast<int>(std::ceil(row)) + 1;
}

}  // namespace

RenderQueue::RenderQueue(std::uint32_t* colour, std::uint16_t* depth, int pitch, int height, int threads)
    : colour_(colour), depth_(depth), pitch_(pitch), height_(height), threads_(std::clamp(threads, 1, 64)) {
  if (threads_ == 1) return;
  const int wanted = threads_ * kBandsPerThread;
  bandRows_ = std::max(kMinBandRows, (height_ + wanted - 1) / wanted);
  for (int top = 0; top < height_; top += bandRows_) bands_.push_back({top, std::min(height_, top + bandRows_)});
  for (int i = 1; i < threads_; ++i) workers_.emplace_back([this] { workerLoop(); });
}

RenderQueue::~RenderQueue() {
  finish();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

RenderQueue::Batch& RenderQueue::openBatch() {
  if (threads_ == 1) return immediate_;
  // Only growing the list needs the lock: the bands read it under the lock
  // and never touch the batch being recorded.
  if (published_ == batches_.size()) {
    std::lock_guard<std::mutex> lock(mutex_);
    batches_.push_back(std::make_unique<Batch>());
  }
  return *batches_[published_];
}

void RenderQueue::beginDraw(const PixelState& state) {
  Batch& batch = openBatch();
  batch.isClear = false;
  batch.state = state;
  batch.triangles.clear();
  batch.bandTriangles.resize(bands_.size());
  for (std::vector<std::uint32_t>& list : batch.bandTriangles) list.clear();
}

void RenderQueue::addTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c) {
  if (threads_ == 1) {
    rasterizeTriangle(a, b, c, immediate_.state);
    return;
  }
  if (batches_[published_]->triangles.size() == kTrianglesPerPart) {
    // Later parts keep the draw's state; the bands run them in order.
    const PixelState state = batches_[published_]->state;
    submit();
    beginDraw(state);
  }
  Batch& batch = *batches_[published_];
  const int scale = batch.state.scale;
  const int yMin = rowBound(std::min({a.y, b.y, c.y}), scale, true);
  const int yMax = rowBound(std::max({a.y, b.y, c.y}), scale, false);
  // Bands first..last are those whose rows the range meets.
  const int last = yMax < 0 ? -1 : std::min(static_cast<int>(bands_.size()) - 1, yMax / bandRows_);
  const auto index = static_cast<std::uint32_t>(batch.triangles.size());
  for (int band = yMin < 0 ? 0 : yMin / bandRows_; band <= last; ++band) batch.bandTriangles[band].push_back(index);
  batch.triangles.push_back({{a, b, c}, yMin, yMax});
}

std::uint64_t RenderQueue::submitDraw() { return submit(); }

std::uint64_t RenderQueue::submitClear(ClearCommand command) {
  Batch& batch = openBatch();
  batch.isClear = true;
  batch.clear = std::move(command);
  if (threads_ == 1) runClear(batch.clear, 0, height_);
  return submit();
}

std::uint64_t RenderQueue::submit() {
  if (threads_ == 1) return ++retired_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++published_;
  }
  workReady_.notify_all();
  return retired_ + published_;
}

void RenderQueue::runClear(const ClearCommand& c, int top, int bottom) const {
  for (const ClearRect& r : c.rects) {
    const auto count = static_cast<std::size_t>(r.x1 - r.x0);
    for (int y = std::max(r.y0, top); y < std::min(r.y1, bottom); ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * pitch_ + r.x0;
      if (c.colour) fillElements<std::uint32_t>(colour_ + row, count, c.colourValue);
      if (c.depth) fillElements<std::uint16_t>(depth_ + row, count, c.depthValue);
    }
  }
}

void RenderQueue::runBatch(const Batch& batch, std::size_t band) const {
  const int top = bands_[band].top, bottom = bands_[band].bottom;
  if (batch.isClear) {
    runClear(batch.clear, top, bottom);
    return;
  }
  PixelState state = batch.state;
  state.top = std::max(state.top, top);
  state.bottom = std::min(state.bottom, bottom);
  if (state.top >= state.bottom) return;
  for (const std::uint32_t index : batch.bandTriangles[band]) {
    const Triangle& t = batch.triangles[index];
    if (t.yMax < state.top || t.yMin >= state.bottom) continue;
    rasterizeTriangle(t.v[0], t.v[1], t.v[2], state);
  }
}

std::size_t RenderQueue::completedLocked() const {
  std::size_t done = published_;
  for (const Band& band : bands_) done = std::min(done, band.cursor);
  return done;
}

bool RenderQueue::runSomeBand(std::unique_lock<std::mutex>& lock, std::size_t limit,
                              std::vector<const Batch*>& scratch) {
  // The band furthest behind goes first, so the bands a waiter needs finish early.
  Band* chosen = nullptr;
  for (Band& band : bands_) {
    if (!band.busy && band.cursor < limit && (chosen == nullptr || band.cursor < chosen->cursor)) chosen = &band;
  }
  if (chosen == nullptr) return false;
  chosen->busy = true;
  const std::size_t begin = chosen->cursor;
  scratch.clear();
  for (std::size_t i = begin; i < limit; ++i) scratch.push_back(batches_[i].get());
  lock.unlock();
  const auto band = static_cast<std::size_t>(chosen - bands_.data());
  for (const Batch* batch : scratch) runBatch(*batch, band);
  lock.lock();
  chosen->cursor = limit;
  chosen->busy = false;
  bandDone_.notify_all();
  return true;
}

void RenderQueue::workerLoop() {
  std::vector<const Batch*> scratch;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    // A row job first: the caller waits for it, while draws wait for no one.
    if (!runSomeRows(lock) && !runSomeBand(lock, published_, scratch)) workReady_.wait(lock);
  }
}

bool RenderQueue::runSomeRows(std::unique_lock<std::mutex>& lock) {
  RowJob& job = rowJob_;
  if (job.claimed >= job.parts) return false;
  const int part = job.claimed++;
  const int size = job.rows / job.parts;
  const int begin = part * size;
  const int end = part + 1 == job.parts ? job.rows : begin + size;
  const RowTask task = job.task;
  void* context = job.context;
  lock.unlock();
  task(context, begin, end);
  lock.lock();
  ++job.done;
  bandDone_.notify_all();
  return true;
}

void RenderQueue::runRows(int rows, int minRows, RowTask task, void* context) {
  if (rows <= 0) return;
  // Several ranges a thread: a worker that wakes late, or finishes a band
  // first, still finds ranges left instead of the caller running them all.
  const int parts = std::min(threads_ * kRangesPerThread, rows / std::max(minRows, 1));
  if (threads_ == 1 || parts <= 1) {
    task(context, 0, rows);
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  rowJob_ = RowJob{task, context, rows, parts, 0, 0};
  workReady_.notify_all();
  while (runSomeRows(lock)) {
  }
  bandDone_.wait(lock, [this] { return rowJob_.done == rowJob_.parts; });
  rowJob_ = RowJob{};
}

void RenderQueue::waitFor(std::uint64_t batch) {
  if (threads_ == 1 || batch <= retired_) return;
  const std::size_t limit = std::min<std::size_t>(published_, static_cast<std::size_t>(batch - retired_));
  std::unique_lock<std::mutex> lock(mutex_);
  while (completedLocked() < limit) {
    if (!runSomeBand(lock, limit, callerScratch_)) bandDone_.wait(lock);
  }
}

void RenderQueue::finish() {
  if (threads_ == 1) return;
  std::unique_lock<std::mutex> lock(mutex_);
  while (completedLocked() < published_ || std::any_of(bands_.begin(), bands_.end(), [](const Band& b) {
           return b.busy;
         })) {
    if (!runSomeBand(lock, published_, callerScratch_)) bandDone_.wait(lock);
  }
  // Everything is done and no band is running: recycle the batches.
  retired_ += published_;
  published_ = 0;
  for (Band& band : bands_) band.cursor = 0;
}
