#include "platform/os/background_thread.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

void lowerCurrentThreadPriority() {
  const auto self = static_cast<id_t>(::gettid());
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, self);
  if (now == -1 && errno != 0) return;
  ::setpriority(PRIO_PROCESS, self, std::min(now + 10, 19));
}
#else
void lowerCurrentThreadPriority() {}
#endif
