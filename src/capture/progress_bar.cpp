#include "capture/progress_bar.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 20;
constexpr int kEndOrder = 5;
constexpr int kEndRow = 17;  // the first row past the presentation's end
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr int kLinePercentStep = 5;
constexpr auto kUnknownLineInterval = std::chrono::seconds(10);

std::string minutesAndSeconds(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  const long long total = static_cast<long long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  return text;
}

}  // namespace

double fractionAtPosition(int order, int row, int rowsPerPattern) {
  if (rowsPerPattern <= 0) return 0;
  const double done = static_cast<double>(order) * rowsPerPattern + row;
  const double total = static_cast<double>(kEndOrder) * rowsPerPattern + kEndRow;
  return std::clamp(done / total, 0.0, 1.0);
}

std::string formatProgress(const ProgressState& state) {
  std::string line;
  const bool known = state.fractionDone >= 0;
  const double fraction = known ? std::min(state.fractionDone, 1.0) : 0.0;
  if (known) {
    const int filled = static_cast<int>(fraction * kBarWidth);
    line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
    line += percent;
    line += "  ";
  }
  char middle[96];
  std::snprintf(middle, sizeof middle, "frame %lld  pos %d:%02d  music %s  elapsed %s",
                static_cast<long long>(state.frames), state.order, state.row,
                minutesAndSeconds(state.musicSeconds).c_str(), minutesAndSeconds(state.elapsedSeconds).c_str());
  line += middle;
  if (known && fraction > 0.001) {
    const double remaining = state.elapsedSeconds * (1.0 - fraction) / fraction;
    line += "  left " + minutesAndSeconds(remaining);
  }
  return line;
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, bool terminal)
    : stream_(stream), enabled_(enabled && stream != nullptr), terminal_(terminal) {}

void ProgressBar::update(const ProgressState& state) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!terminal_) {
    // Whole lines, few of them: a log reads them one under the other.
    bool due = false;
    if (state.fractionDone >= 0) {
      const int step = static_cast<int>(std::min(state.fractionDone, 1.0) * 100) / kLinePercentStep;
      due = step > lastStep_;
      if (due) lastStep_ = step;
    } else {
      due = !drawn_ || now - lastDraw_ >= kUnknownLineInterval;
    }
    if (!due) return;
    lastDraw_ = now;
    drawn_ = true;
    std::fprintf(stream_, "%s\n", formatProgress(state).c_str());
    std::fflush(stream_);
    return;
  }
  if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  const std::string line = formatProgress(state);
  // Pad with blanks over the rest of a longer previous line.
  const std::size_t padding = lastLength_ > line.size() ? lastLength_ - line.size() : 0;
  std::fprintf(stream_, "\r%s%s", line.c_str(), std::string(padding, ' ').c_str());
  std::fflush(stream_);
  lastLength_ = line.size();
  drawn_ = true;
}

void ProgressBar::close() {
  if (!enabled_ || !drawn_ || !terminal_) return;
  std::fprintf(stream_, "\r%s\r", std::string(lastLength_, ' ').c_str());
  std::fflush(stream_);
  drawn_ = false;
  lastLength_ = 0;
}
