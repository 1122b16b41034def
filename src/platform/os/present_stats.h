// Statistics of a live run's presents: how regularly frames reached the
// screen, overall and per timeline entry. Pure calculations, any thread.
#pragma once

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

PresentSummary summarisePresents(const std::vector<PresentRecord>& records, double refreshSeconds);

// Several lines for standard error, each starting with "presents: ".
std::string formatPresentSummary(const PresentSummary& summary, double refreshSeconds);
