// Live play's loss of its display: the X server going away, or the
// program's connection to it killed from outside (xkill, a window
// manager's "kill"). The run then ends as if its window were closed, and
// the program exits with 1 and one line saying so.
#pragma once

#include <string>

// True once the display went away during this process.
bool displayLost();
// The line to print for it, naming the display.
std::string displayLossMessage(const char* program);
// Ends the process with `code` once standard output and error are
// flushed, without the libraries' exit handlers: those that drew on the
// lost display (GL) would wait for it for ever.
[[noreturn]] void exitAfterDisplayLoss(int code);

namespace os_detail {

// Called (once) by whichever thread noticed the loss; async-signal-safe.
void noteDisplayLost();
// The first call after the loss answers true, later ones false, so the
// window is asked to close only once.
bool takeDisplayLossRequest();

}  // namespace os_detail
