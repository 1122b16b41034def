#include "platform/os/clock.h"

#include <chrono>
#include <utility>

#include "platform/os/win32.h"

namespace {

ClockSource& installedSource() {
  static ClockSource source;
  return source;
}

std::uint32_t systemMilliseconds() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
  return static_cast<std::uint32_t>(ms);  // wraps like the Windows tick counter
}

}  // namespace

void setClockSource(ClockSource source) { installedSource() = std::move(source); }

std::uint32_t clockMilliseconds() {
  const ClockSource& source = installedSource();
  return source ? source() : systemMilliseconds();
}

DWORD GetTickCount() { return clockMilliseconds(); }

DWORD timeGetTime() { return clockMilliseconds(); }
