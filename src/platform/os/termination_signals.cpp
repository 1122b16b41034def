#include "platform/os/termination_signals.h"

#include <csignal>
#include <cstring>
#include <iterator>

#include "platform/os/os_internal.h"
#include "platform/os/win32.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t received = 0;
bool delivered = false;
bool watching = false;
struct sigaction previous[std::size(kSignals)];

void onTermination(int signal) {
  if (received == 0) received = signal;
}

}  // namespace

void watchTerminationSignals() {
  received = 0;
  delivered = false;
  if (watching) return;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onTermination;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the second of a kind is the default action again.
  action.sa_flags = SA_RESETHAND;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous[i]);
  watching = true;
}

void stopWatchingTerminationSignals() {
  if (!watching) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  watching = false;
}

int terminationSignal() { return received; }

namespace os_detail {

void askRunToEnd(HWND target) {
  if (target != nullptr) {
    PostMessageA(target, WM_CLOSE, 0, 0);
  } else {
    PostQuitMessage(0);
  }
}

void deliverTerminationRequest(HWND target) {
  if (received == 0 || delivered) return;
  delivered = true;
  askRunToEnd(target);
}

}  // namespace os_detail
