// How the presentation's window appears on this machine, chosen before
// start-up, and the frame sink that shows the device's frames in it.
// Main thread only.
#pragma once

#include <string>

#include "platform/frame_sink.h"

struct WindowOptions {
  // Desktop full screen; otherwise a window of `scale` times 640 x 480.
  bool fullscreen = true;
  int scale = 2;
  // Hold presents to the display's retrace when the renderer can.
  bool vsync = true;
  // No SDL window at all (offline capture): messages, boxes and the clock
  // still work; frames sent to windowFrameSink() are dropped unpaced.
  bool headless = false;
  // Report the chosen video driver and renderer on standard error.
  bool verbose = false;
};

// Takes effect for windows created afterwards.
void setWindowOptions(const WindowOptions& options);
const WindowOptions& windowOptions();

// The sink that streams the 640 x 480 frame to the window, scaled to fit at
// 4:3 with black bars. When presents are not held to the retrace (dummy or
// offscreen video, a renderer without vsync, or vsync turned off) it holds
// the caller to about 60 presents per second. Fails once the window is gone.
FrameSink* windowFrameSink();

// The SDL video driver in use ("" when none was started).
std::string videoDriverName();

// True when message boxes can be shown on a real display.
bool displayAvailable();

// Destroys every window and display resource, forgets the registered window
// classes and empties the message queue: a fresh start for tests.
void resetWindowSystem();
