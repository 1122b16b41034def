// The presentation's entry, window procedure and main loop: start-up in a
// fixed order with a message box for each failure, one frame per pass of the
// loop, and the shutdown. Main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/os/win32.h"
#include "platform/sound/fmod.h"

struct ShellState {
  bool escapePressed = false;     // set by Escape; the loop stops after that pass
  FMUSIC_MODULE* song = nullptr;  // "track.xm", from load to shutdown
  HWND window = nullptr;
  MSG lastMessage{};              // last taken by GetMessageA; its wParam is the exit code
};

// The one shell of the process.
extern ShellState shellState;

// The routines of other modules the shell calls, in the order of a run.
// They are the real ones unless a test puts stand-ins in place.
struct ShellCallouts {
  int (*loadAllFiles)();
  HRESULT (*setUpDevice)(HWND window);
  void (*setUpPresentation)();
  HRESULT (*beginFrame)();
  void (*timelineStep)(HWND window, std::int32_t position);
  HRESULT (*endFrame)();
  void (*releaseDevice)();
};

ShellCallouts& shellCallouts();

// The body of the Windows entry point: start-up, main loop, shutdown.
// Returns the exit code: 0 after a start-up failure or the end of the music,
// 27 after Escape.
int runPresentation(HINSTANCE instance, int showCommand);

// Hides the pointer over the window and turns Escape into the stop request.
LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The text for an FMOD error code; codes outside 0..19 (negative ones too)
// give "Unknown error".
const char* fmodErrorText(int code);

// Called at the start of every pass of the main loop, before the message
// check (offline capture advances its clocks and audio here). Empty: none.
void setPassHook(std::function<void()> hook);

// Back to the state before start-up, with the real callouts and no pass
// hook (tests).
void resetShell();
