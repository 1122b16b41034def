#include "platform/os/display_loss.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> lost{false};
std::atomic<bool> requested{false};

}  // namespace

bool displayLost() { return lost.load(); }

std::string displayLossMessage(const char* program) {
  const char* name = std::getenv("DISPLAY");
  std::string text = program;
  text += ": the display ";
  if (name != nullptr && *name != '\0') {
    text += name;
    text += ' ';
  }
  text += "went away (its connection was closed); the presentation ended\n";
  return text;
}

void exitAfterDisplayLoss(int code) {
  std::fflush(nullptr);
  ::_exit(code);
}

namespace os_detail {

void noteDisplayLost() { lost.store(true); }

bool takeDisplayLossRequest() { return lost.load() && !requested.exchange(true); }

}  // namespace os_detail
