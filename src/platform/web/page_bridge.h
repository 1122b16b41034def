// The page around the browser build: its canvas, its key queue, its boxes.
// Every call runs on the page's own thread (proxied there, and waited for,
// when the program runs on a worker); the page side is web/page.js.
#pragma once

#include <cstdint>
#include <string>

namespace page {

// Shows an RGBA picture (packed rows) on the canvas, sized to it.
void showPicture(const std::uint8_t* rgba, int width, int height);
// The next key event the page queued: 0 when none, otherwise
// (1 for down, 2 for up) << 16 | the key's Windows virtual-key code, or
// 3 << 16 | a player action (see web_display.cpp).
int takeKeyEvent();
void setTitle(const std::string& title);
void showMessageBox(const std::string& caption, const std::string& text);
void setPointerVisible(bool visible);
void toggleFullscreen();
bool fullscreen();
// The canvas's room in device pixels (the page's size times its pixel ratio).
void roomInDevicePixels(int& width, int& height);
// How often the page has changed size so far.
int resizeCount();
// Milliseconds on the page's monotonic clock.
double nowMs();

}  // namespace page
