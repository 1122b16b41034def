// The music-synchronised timeline: once per frame it publishes the frame
// step, moves to the next scene when the music has passed the current
// scene's end position, asks for the quit after order 5 row 16, and calls
// the current scene routine. Main thread only.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

// The presentation's last music position: it ends once the song has passed
// order 5, row 16.
constexpr int kTimelineEndOrder = 5;
constexpr int kTimelineEndRow = 16;

// Milliseconds since the previous frame times 0.015 (15 units per second);
// 0 on the first frame. Written only by timelineStep, read by every scene.
extern float frameStep;

// Called by the main loop once per pass, between beginFrame and endFrame,
// with the window (target of the quit message) and the music position
// (order * 256 + row).
void timelineStep(HWND window, std::int32_t position);
