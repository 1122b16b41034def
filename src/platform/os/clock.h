// The one millisecond clock behind GetTickCount and timeGetTime.
//
// By default it reads the system's monotonic clock, truncated to 32 bits so
// that it wraps like the Windows tick counter (every 49.7 days). Tests and
// the offline capture replace it with a clock of their own, usually a
// VirtualClock that only moves when told to. Main thread only.
#pragma once

#include <cstdint>
#include <functional>

using ClockSource = std::function<std::uint32_t()>;

// Installs `source` as the clock; an empty function restores the system clock.
void setClockSource(ClockSource source);

// The current reading of the installed clock.
std::uint32_t clockMilliseconds();

// Stops (true) and restarts (false) the system clock: while paused its
// reading stands still, and afterwards it goes on from that reading, so the
// time spent paused never shows as a long frame. An installed clock source
// is not affected.
void setClockPaused(bool paused);
bool clockPaused();

// A clock that stands still until it is set or advanced. Install it with
// `install()`; it must outlive its installation (call setClockSource({}) or
// let another clock replace it before destroying it).
class VirtualClock {
 public:
  explicit VirtualClock(std::uint32_t start = 0) : now_(start) {}
  void set(std::uint32_t milliseconds) { now_ = milliseconds; }
  // Moves the clock forward; the 32-bit reading wraps like GetTickCount.
  void advance(std::uint32_t milliseconds) { now_ += milliseconds; }
  std::uint32_t now() const { return now_; }
  void install() {
    setClockSource([this] { return now_; });
  }

 private:
  std::uint32_t now_;
};
