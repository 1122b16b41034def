// The music-synchronised timeline: nine entries, each a scene routine and
// the music position up to which it stays current.
#include "app/timeline.h"

#include "app/timeline_state.h"
#include "platform/os/win32.h"
#include "scenes/scene_routines.h"

namespace {

// 15 time units per second.
constexpr float kFrameStepFactor = 0.015f;
// Order 5, row 16: the last position of the presentation.
constexpr std::int32_t kEndPosition = kTimelineEndOrder * 256 + kTimelineEndRow;  // 1296

}  // namespace

float frameStep = 0.0f;

TimelineState timelineState;

const TimelineEntry kTimeline[kTimelineLength] = {
    {roomDarkenScene, 0.0f},       // 0:0
    {roomGazeScene, 36.0f},        // 0:36
    {roomDollyScene, 256.0f},      // 1:0
    {roomFlyScene, 512.0f},        // 2:0
    {roomSwayScene, 560.0f},       // 2:48
    {roomDarkenScene, 772.0f},     // 3:4
    {islandUnveilScene, 800.0f},   // 3:32
    {islandSlideScene, 1024.0f},   // 4:0
    {houseScene, 65535.0f},        // the greatest position there is: never passed
};

void resetTimeline() {
  timelineState = TimelineState{};
  frameStep = 0.0f;
}

SceneRoutine timelineAdvance(HWND window, std::int32_t position) {
  const DWORD now = GetTickCount();
  // The tick difference as a signed number, so a counter that wrapped
  // between two frames still gives the small positive step.
  const auto elapsed = static_cast<std::int32_t>(now - timelineState.previousTick);
  frameStep = static_cast<float>(elapsed) * kFrameStepFactor;
  if (timelineState.firstFrame) {
    frameStep = 0.0f;
    timelineState.firstFrame = false;
  }
  timelineState.previousTick = now;

  // One entry per frame at most, even when the music jumped past several:
  // every entry in between then gets one frame.
  if (static_cast<float>(position) > kTimeline[timelineState.currentIndex].endPosition &&
      timelineState.currentIndex < kTimelineLength - 1) {
    ++timelineState.currentIndex;
  }

  // Repeated every frame until the main loop has taken it.
  if (position > kEndPosition) PostMessageA(window, WM_QUIT, 0, 0);

  return kTimeline[timelineState.currentIndex].scene;
}

void timelineStep(HWND window, std::int32_t position) { timelineAdvance(window, position)(); }
