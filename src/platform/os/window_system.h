// How the presentation's window appears on this machine, chosen before
// start-up, the frame sink that shows the device's frames in it, and the
// player's keys. Main thread only (the frames are shown by a present thread
// of this layer's own).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/frame_sink.h"

struct WindowOptions {
  // Desktop full screen; otherwise a window of `scale` times 640 x 480.
  bool fullscreen = true;
  // 0: the largest whole scale that fits the usable desktop area; a larger
  // scale than fits is reduced to that, with a note on standard error.
  int scale = 0;
  // The monitor (0 is the first) the window opens on and fills in full
  // screen; -1 for SDL's choice.
  int display = -1;
  // Where F12 saves screenshots; empty for the working folder.
  std::string screenshotFolder;
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

// The sink that hands the frame (640 x 480 at the device's render scale) to
// the present thread, which scales it into the window at 4:3 with black bars
// while the caller renders the next frame. Its fittingRenderScale() is the
// largest scale whose picture fits the window's drawable pixels as shown
// (full screen included), for an automatic render scale. The caller is held one frame ahead at most: to the
// display's retrace when it really waits for one (measured at start-up),
// otherwise to about 60 presents per second. Fails once the window is gone.
FrameSink* windowFrameSink();

// The timeline entry of the frames presented from now on, for the present
// statistics that --verbose prints when the window closes.
void noteTimelineEntry(int entry);

// The player's keys during a live run, on top of the presentation's own
// (Escape): Space pauses and resumes, M mutes and unmutes, F11 and
// Alt+Enter switch between the window and desktop full screen, F12 saves a
// screenshot. Nothing of this is drawn in the window. The window layer
// pauses its own clock (GetTickCount, timeGetTime) and the main loop (which
// waits in PeekMessageA while paused); the hooks do the rest.
struct PlayerHooks {
  std::function<void(bool paused)> pause;  // stop or restart the music with the clock
  std::function<void()> toggleMute;
  // Writes an A8R8G8B8 picture (packed rows of `width` pixels) to `path`;
  // false with `error` set.
  std::function<bool(const std::string& path, const std::uint32_t* pixels, int width, int height,
                     std::string& error)>
      writePicture;
};
void setPlayerHooks(PlayerHooks hooks);

void setPlaybackPaused(bool paused);
bool playbackPaused();
void toggleFullscreen();
bool windowFullscreen();
// Saves the frame on screen, at its rendered size, as a PNG in the screenshot folder and says where
// on standard error; returns the path, or "" when nothing was saved.
std::string saveScreenshot();
// "FOLDER/glass-orchard-YYYYMMDD-HHMMSS.png" in local time, with "-2", "-3"...
// before ".png" when that name is taken.
std::string screenshotPath(const std::string& folder, std::time_t when);

// The SDL video driver in use ("" when none was started).
std::string videoDriverName();

// True when message boxes can be shown on a real display.
bool displayAvailable();
// Starts the video system and tells whether its windows can be seen: false
// when no display could be opened, or when SDL fell back to a virtual driver
// (a DISPLAY named but unreachable). videoDriverName() then names that driver.
bool videoShowsWindows();

// Destroys every window and display resource, forgets the registered window
// classes and empties the message queue: a fresh start for tests.
void resetWindowSystem();

// Forgets the windows, classes and messages of a finished run but keeps the
// display window open and showing its last picture: the next run's window
// takes it over (a run that starts again from the beginning).
void restartWindowSystem();

// A monitor as --list-displays shows it: its number (what --display takes),
// its name, and its desktop area and the part not taken by panels.
struct DisplayDescription {
  int number = 0;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
  int usableWidth = 0, usableHeight = 0;
  int refreshRate = 0;  // Hz; 0 when unknown
};

// The monitors of the display, in order, and the video driver that sees
// them; on failure empty with `error`. Starts and stops the video system
// itself (before any window exists).
std::vector<DisplayDescription> describeDisplays(bool verbose, std::string& driver, std::string& error);
