// Whether a live run can be seen: a display named in the environment, or a
// video driver chosen by hand. Without either the window layer would fall
// back to an invisible virtual display and play for minutes with nothing
// shown, so the program refuses and points at the offline modes instead.
#pragma once

#include <string>

struct DisplayEnvironment {
  std::string x11Display;      // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string videoDriver;     // SDL_VIDEODRIVER, the window layer's driver choice
};

DisplayEnvironment currentDisplayEnvironment();

// True when a window would appear on a display someone can look at.
bool displayVisible(const DisplayEnvironment& environment);

// The message for a live run with no visible display.
std::string noDisplayMessage(const std::string& programName, const DisplayEnvironment& environment);
