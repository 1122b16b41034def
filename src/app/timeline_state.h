// The timeline's table and state, apart from timeline.h so that the shell's
// callers need not see them; tests and capture use them to reset and inspect.
// Main thread only.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

constexpr int kTimelineLength = 9;

using SceneRoutine = void (*)();

struct TimelineEntry {
  SceneRoutine scene;
  // The entry stays current while the music position is not greater.
  float endPosition;
};

extern const TimelineEntry kTimeline[kTimelineLength];

struct TimelineState {
  int currentIndex = 0;            // only grows, one step per frame at most, never past 8
  std::uint32_t previousTick = 0;  // GetTickCount at the previous step
  bool firstFrame = true;          // the first step has a frame step of 0
};

// The one timeline of the process.
extern TimelineState timelineState;

// Back to the state before the first frame (index 0, first frame pending,
// frame step 0).
void resetTimeline();

// Everything timelineStep does except calling the scene: publishes the frame
// step, moves the index, posts the quit message, and returns the routine of
// the current entry. timelineStep calls that routine.
SceneRoutine timelineAdvance(HWND window, std::int32_t position);
