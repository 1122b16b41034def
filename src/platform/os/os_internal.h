// Shared by the files of platform/os only; nothing outside includes it.
#pragma once

#include <SDL.h>

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

// The SDL side (sdl_display.cpp).
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
// Blocks until some SDL event arrives or `timeoutMs` passes.
void waitForDisplayEvent(int timeoutMs);
void shutdownDisplay();
// Keeps the display window open for the next window to take over.
void parkDisplayWindow();

// Player controls (player_controls.cpp for the keys, sdl_display.cpp for the
// window side).
// True when the key is one of the player's and has been acted on; such keys
// do not reach the presentation.
bool handlePlayerKey(const SDL_KeyboardEvent& key);
void toggleDisplayFullscreen();
bool displayFullscreen();
// The frame on screen at its rendered size; empty when none.
RenderedFrame frameOnScreen();
// The next present follows a pause.
void markPresentGap();
// Not paused, no hooks (resetWindowSystem).
void resetPlayerState();

}  // namespace os_detail
