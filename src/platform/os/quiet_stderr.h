// Silences standard error for a scope. The system libraries under SDL (ALSA,
// Wayland) write their own complaints there while SDL probes for a display or
// a sound device that this machine may not have; those probes are expected
// to fail, and the layers report what matters themselves. Start-up only
// (single-threaded): the process's file descriptor 2 is swapped.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

class QuietStandardError {
 public:
  explicit QuietStandardError(bool quiet) {
    if (!quiet) return;
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ < 0 || nowhere < 0 || dup2(nowhere, STDERR_FILENO) < 0) {
      if (nowhere >= 0) close(nowhere);
      if (saved_ >= 0) close(saved_);
      saved_ = -1;
      return;
    }
    close(nowhere);
  }
  ~QuietStandardError() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};
