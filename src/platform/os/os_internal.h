// Shared by the files of platform/os only; nothing outside includes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/picture_scaler.h"
#include "platform/os/win32.h"

// A window of the presentation. Handles stay valid (and recognisably dead)
// until resetWindowSystem(), so a late message to a destroyed window is
// refused instead of touching freed memory.
struct HWND__ {
  WNDPROC procedure = nullptr;
  std::string title;
  bool alive = true;
  bool hasDisplay = false;  // this window owns the SDL window
};

namespace os_detail {

// Windows currently alive, in creation order.
int liveWindowCount();
HWND firstLiveWindow();

// Queue access for the registry and the display.
void clearMessageQueue();
void dropMessagesFor(HWND window);

// The display side (sdl_display.cpp; the browser build has its own).
void startEvents();                      // events subsystem, signal handling
bool openDisplayWindow(const std::string& title);
void closeDisplayWindow();
void showDisplayWindow();
void setPointerVisible(bool visible);
// Turns pending SDL events into messages for `target` (posted, or sent for
// WM_SETCURSOR as Windows does).
void pumpDisplayEvents(HWND target);
// After a watched termination signal (termination_signals.h), once: asks
// `target` to close (WM_CLOSE), or the loop to quit when no window lives.
void deliverTerminationRequest(HWND target);
// Asks `target` to close (WM_CLOSE), as its close button does, or the loop
// to quit when no window lives.
void askRunToEnd(HWND target);
// Blocks until some SDL event arrives or `timeoutMs` passes.
void waitForDisplayEvent(int timeoutMs);
void shutdownDisplay();
// Keeps the display window open for the next window to take over.
void parkDisplayWindow();

// Shows a modal box on the display; false when it could not be shown.
bool showDisplayMessageBox(const std::string& caption, const std::string& text);

// Player controls (player_controls.cpp for the actions, the display side
// for the keys and the window).
enum class PlayerAction { kPause, kMute, kFullscreen, kScreenshot };
void actOnPlayerKey(PlayerAction action);
void toggleDisplayFullscreen();
bool displayFullscreen();
// The frame on screen at its rendered size; empty when none.
RenderedFrame frameOnScreen();
// The next present follows a pause.
void markPresentGap();
// Not paused, no hooks (resetWindowSystem).
void resetPlayerState();

}  // namespace os_detail
