#include "platform/os/x11_connection_loss.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/os/display_loss.h"

namespace {

// Xlib's types without its headers: SDL loads libX11 itself, so the
// program links no X library and finds the one SDL uses.
using IOErrorHandler = int (*)(void* display);
using SetIOErrorHandler = IOErrorHandler (*)(IOErrorHandler handler);

void (*lossCallback)() = nullptr;
std::thread::id mainThread;
bool installed = false;

int onIOError(void* /*display*/) {
  os_detail::noteDisplayLost();
  if (std::this_thread::get_id() == mainThread) {
    // The main thread cannot reach the presentation's ending without X.
    std::fflush(stdout);
    const std::string line = displayLossMessage(program_invocation_short_name);
    if (::write(STDERR_FILENO, line.data(), line.size()) < 0) {}
    ::_exit(1);
  }
  if (lossCallback != nullptr) lossCallback();
  // Returning would let Xlib exit from this thread, and this thread holds
  // the display's lock: it stays here until the main thread ends the process.
  for (;;) ::pause();
}

}  // namespace

namespace os_detail {

void watchX11ConnectionLoss(void (*onLoss)()) {
  lossCallback = onLoss;
  mainThread = std::this_thread::get_id();
  if (installed) return;
  void* library = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return;
  auto set = reinterpret_cast<SetIOErrorHandler>(::dlsym(library, "XSetIOErrorHandler"));
  if (set != nullptr) {
    set(onIOError);
    installed = true;
  }
  // The library stays loaded for SDL; this only drops the extra reference.
  ::dlclose(library);
}

}  // namespace os_detail
