#include "platform/os/present_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A frame is late when the display refreshed at least once without it: its
// interval exceeds one refresh period by more than half a period.
constexpr double kLateFactor = 1.5;

// Bucket 0 holds times below the smallest, the last one times from the
// largest up; between them bucket k starts at smallest * ratio^(k - 1).
const double kLogRatio = std::log(FrameTimeDistribution::kBucketRatio);
const std::size_t kBucketCount =
    2 + static_cast<std::size_t>(std::ceil(std::log(FrameTimeDistribution::kLargestMs /
                                                    FrameTimeDistribution::kSmallestMs) /
                                           kLogRatio));

std::uint64_t nearestRank(double fraction, std::uint64_t count) {
  const auto rank = static_cast<std::uint64_t>(std::ceil(fraction * static_cast<double>(count)));
  return std::clamp<std::uint64_t>(rank, 1, count);
}

}  // namespace

std::size_t FrameTimeDistribution::bucketOf(double ms) {
  if (!(ms >= kSmallestMs)) return 0;  // NaN too
  if (ms >= kLargestMs) return kBucketCount - 1;
  const auto k = static_cast<std::size_t>(std::floor(std::log(ms / kSmallestMs) / kLogRatio)) + 1;
  return std::min(k, kBucketCount - 2);
}

double FrameTimeDistribution::bucketMiddle(std::size_t bucket) {
  if (bucket == 0) return 0;
  if (bucket == kBucketCount - 1) return kLargestMs;
  return kSmallestMs * std::exp((static_cast<double>(bucket) - 0.5) * kLogRatio);
}

void FrameTimeDistribution::spill() {
  buckets_.assign(kBucketCount, 0);
  for (double ms : samples_) ++buckets_[bucketOf(ms)];
  std::vector<double>().swap(samples_);
}

void FrameTimeDistribution::add(double ms) {
  ++count_;
  if (count_ <= kExactSamples) {
    if (samples_.capacity() == 0) samples_.reserve(kExactSamples);
    samples_.push_back(ms);
    return;
  }
  if (buckets_.empty()) spill();
  std::uint32_t& bucket = buckets_[bucketOf(ms)];
  if (bucket < UINT32_MAX) ++bucket;
}

double FrameTimeDistribution::percentile(double fraction) const {
  if (count_ == 0) return 0;
  const std::uint64_t rank = nearestRank(fraction, count_);
  if (exact()) {
    std::vector<double> sorted = samples_;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank - 1), sorted.end());
    return sorted[rank - 1];
  }
  std::uint64_t seen = 0;
  for (std::size_t k = 0; k < buckets_.size(); ++k) {
    seen += buckets_[k];
    if (seen >= rank) return bucketMiddle(k);
  }
  return kLargestMs;
}

std::size_t FrameTimeDistribution::retainedBytes() const {
  return samples_.capacity() * sizeof(double) + buckets_.capacity() * sizeof(std::uint32_t);
}

PresentStats::PresentStats(double refreshSeconds) : refreshSeconds_(refreshSeconds) {}

void PresentStats::reset(double refreshSeconds) { *this = PresentStats(refreshSeconds); }

void PresentStats::add(const PresentRecord& record) {
  ++presents_;
  const double interval = record.seconds - lastSeconds_;
  lastSeconds_ = record.seconds;
  if (presents_ == 1 || record.afterGap) return;
  frameTimes_.add(interval * 1000.0);
  if (interval > refreshSeconds_ * kLateFactor) ++late_;
  auto entry = std::find_if(entries_.begin(), entries_.end(),
                            [&](const EntryRate& rate) { return rate.entry == record.entry; });
  if (entry == entries_.end()) {
    entries_.push_back({record.entry, 0, 0});
    entry = entries_.end() - 1;
  }
  ++entry->presents;
  entry->seconds += interval;
}

PresentSummary PresentStats::summary() const {
  PresentSummary summary;
  summary.presents = presents_;
  summary.intervals = static_cast<int>(frameTimes_.count());
  summary.medianMs = frameTimes_.percentile(0.5);
  summary.p99Ms = frameTimes_.percentile(0.99);
  summary.late = late_;
  summary.entries = entries_;
  return summary;
}

PresentSummary summarisePresents(const std::vector<PresentRecord>& records, double refreshSeconds) {
  PresentStats stats(refreshSeconds);
  for (const PresentRecord& record : records) stats.add(record);
  return stats.summary();
}

std::string formatPresentSummary(const PresentSummary& summary, double refreshSeconds) {
  char line[200];
  std::string text;
  double total = 0;
  for (const EntryRate& entry : summary.entries) total += entry.seconds;
  std::snprintf(line, sizeof line, "presents: %d in %.1f s; frame time median %.1f ms, 99th percentile %.1f ms\n",
                summary.presents, total, summary.medianMs, summary.p99Ms);
  text += line;
  const double share = summary.intervals > 0 ? 100.0 * summary.late / summary.intervals : 0;
  std::snprintf(line, sizeof line,
                "presents: %d of %d frames (%.2f %%) late: shown more than 1.5 refreshes (%.1f ms each) after the one before\n",
                summary.late, summary.intervals, share, refreshSeconds * 1000.0);
  text += line;
  for (const EntryRate& entry : summary.entries) {
    std::snprintf(line, sizeof line, "presents: timeline entry %d: %.1f per second over %.1f s\n", entry.entry,
                  entry.perSecond(), entry.seconds);
    text += line;
  }
  return text;
}
