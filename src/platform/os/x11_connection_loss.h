// Xlib's own answer to a broken X connection is to exit from whichever
// thread found it, after taking the display's lock for good: every other
// thread's next X call then blocks, and the exit handlers run on that
// thread (the present thread joining itself). This replaces that answer.
// Internal to platform/os.
#pragma once

namespace os_detail {

// Once the video system runs on X11 (a no-op otherwise), from the main
// thread. When the connection breaks: on the present thread, the loss is
// noted, `onLoss` runs and the thread then waits for the process's end,
// never returning into Xlib; the main thread ends the run as if the window
// were closed, without further X calls. Found on the main thread itself,
// the program says so and exits with 1 at once.
void watchX11ConnectionLoss(void (*onLoss)());

}  // namespace os_detail
