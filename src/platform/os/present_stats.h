// Statistics of a live run's presents: how regularly frames reached the
// screen, overall and per timeline entry. Kept as aggregates whose size does
// not grow with the run's length (a --loop run may present for days). Pure
// calculations; one object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PresentRecord {
  double seconds = 0;       // when the present finished, from any fixed start
  int entry = 0;            // timeline entry of the frame
  bool afterGap = false;    // first present after a pause: its interval is not a frame time
};

struct EntryRate {
  int entry = 0;
  int presents = 0;       // frame intervals that ended in this entry
  double seconds = 0;     // their total length
  double perSecond() const { return seconds > 0 ? presents / seconds : 0; }
};

struct PresentSummary {
  int presents = 0;        // all presents
  int intervals = 0;       // frame times measured (presents after the first, not after a pause)
  double medianMs = 0;
  double p99Ms = 0;
  int late = 0;            // frame times above 1.5 refresh periods: a refresh went by without a new frame
  std::vector<EntryRate> entries;  // in order of first appearance
};

// The distribution of frame times, for nearest-rank percentiles. The first
// kExactSamples times are kept as they are, so a run of up to that many
// frames (about 4.5 minutes at 60 per second) gets exact percentiles. Past
// that, every time goes into a fixed table of logarithmic buckets, each
// 0.1 % wide, from 0.001 ms to 1000 s: a percentile is then the middle of
// its bucket, within 0.05 % of the exact value (0.008 ms of a 16.7 ms
// frame), and the memory stays what it was at the switch.
class FrameTimeDistribution {
 public:
  static constexpr std::size_t kExactSamples = 16384;
  static constexpr double kBucketRatio = 1.001;
  static constexpr double kSmallestMs = 0.001;
  static constexpr double kLargestMs = 1e6;

  void add(double ms);
  std::uint64_t count() const { return count_; }
  bool exact() const { return count_ <= kExactSamples; }
  // Nearest rank: the smallest time that at least `fraction` of all times
  // do not exceed. 0 when empty.
  double percentile(double fraction) const;
  // Bytes held for the samples, whatever the count.
  std::size_t retainedBytes() const;

 private:
  static std::size_t bucketOf(double ms);
  static double bucketMiddle(std::size_t bucket);
  void spill();

  std::vector<double> samples_;          // while exact
  std::vector<std::uint32_t> buckets_;   // once past kExactSamples
  std::uint64_t count_ = 0;
};

// Presents added one at a time, in order.
class PresentStats {
 public:
  explicit PresentStats(double refreshSeconds = 1.0 / 60);
  // Empties the statistics for a new run at this refresh period.
  void reset(double refreshSeconds);
  void add(const PresentRecord& record);
  int presents() const { return presents_; }
  const FrameTimeDistribution& frameTimes() const { return frameTimes_; }
  PresentSummary summary() const;

 private:
  double refreshSeconds_;
  int presents_ = 0;
  int late_ = 0;
  double lastSeconds_ = 0;
  FrameTimeDistribution frameTimes_;
  std::vector<EntryRate> entries_;  // one per timeline entry seen: a handful
};

PresentSummary summarisePresents(const std::vector<PresentRecord>& records, double refreshSeconds);

// Several lines for standard error, each starting with "presents: ".
std::string formatPresentSummary(const PresentSummary& summary, double refreshSeconds);
