#include "platform/os/present_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A frame is late when the display refreshed at least once without it: its
// interval exceeds one refresh period by more than half a period.
constexpr double kLateFactor = 1.5;

double percentile(std::vector<double> sorted, double fraction) {
  if (sorted.empty()) return 0;
  const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

PresentSummary summarisePresents(const std::vector<PresentRecord>& records, double refreshSeconds) {
  PresentSummary summary;
  summary.presents = static_cast<int>(records.size());
  std::vector<double> frameMs;
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (records[i].afterGap) continue;
    const double interval = records[i].seconds - records[i - 1].seconds;
    frameMs.push_back(interval * 1000.0);
    if (interval > refreshSeconds * kLateFactor) ++summary.late;
    auto entry = std::find_if(summary.entries.begin(), summary.entries.end(),
                              [&](const EntryRate& rate) { return rate.entry == records[i].entry; });
    if (entry == summary.entries.end()) {
      summary.entries.push_back({records[i].entry, 0, 0});
      entry = summary.entries.end() - 1;
    }
    ++entry->presents;
    entry->seconds += interval;
  }
  summary.intervals = static_cast<int>(frameMs.size());
  std::sort(frameMs.begin(), frameMs.end());
  summary.medianMs = percentile(frameMs, 0.5);
  summary.p99Ms = percentile(frameMs, 0.99);
  return summary;
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
