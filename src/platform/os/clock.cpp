#include "platform/os/clock.h"

#include <chrono>
#include <utility>

#include "platform/os/win32.h"

namespace {

ClockSource& installedSource() {
  static ClockSource source;
  return source;
}

struct PauseState {
  bool paused = false;
  std::int64_t pausedAt = 0;     // monotonic milliseconds when the pause began
  std::int64_t pausedTotal = 0;  // milliseconds spent paused before that
};

PauseState& pauseState() {
  static PauseState state;
  return state;
}

std::int64_t monotonicMilliseconds() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
}

std::uint32_t systemMilliseconds() {
  const PauseState& pause = pauseState();
  const std::int64_t now = pause.paused ? pause.pausedAt : monotonicMilliseconds();
  return static_cast<std::uint32_t>(now - pause.pausedTotal);  // wraps like the Windows tick counter
}

}  // namespace

void setClockSource(ClockSource source) { installedSource() = std::move(source); }

void setClockPaused(bool paused) {
  PauseState& pause = pauseState();
  if (pause.paused == paused) return;
  if (paused) {
    pause.pausedAt = monotonicMilliseconds();
  } else {
    pause.pausedTotal += monotonicMilliseconds() - pause.pausedAt;
  }
  pause.paused = paused;
}

bool clockPaused() { return pauseState().paused; }

std::uint32_t clockMilliseconds() {
  const ClockSource& source = installedSource();
  return source ? source() : systemMilliseconds();
}

DWORD GetTickCount() { return clockMilliseconds(); }

DWORD timeGetTime() { return clockMilliseconds(); }
