// The music-synchronised timeline: frame step, entry changes on the music
// position, and the quit request after order 5 row 16.
#include <gtest/gtest.h>

#include <vector>

#include "app/timeline.h"
#include "app/timeline_state.h"
#include "platform/os/clock.h"
#include "platform/os/win32.h"
#include "platform/os/window_system.h"
#include "scenes/scene_routines.h"

namespace {

class TimelineTest : public testing::Test {
 protected:
  void SetUp() override {
    resetTimeline();
    resetWindowSystem();
    clock_.install();
  }
  void TearDown() override {
    setClockSource({});
    resetWindowSystem();
  }

  // One frame: the clock moves on, then the step with `position`.
  SceneRoutine frame(std::int32_t position, std::uint32_t milliseconds = 16) {
    clock_.advance(milliseconds);
    return timelineAdvance(nullptr, position);
  }

  static int quitMessagesWaiting() {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) count += msg.message == WM_QUIT ? 1 : 0;
    return count;
  }

  VirtualClock clock_{123456};
};

TEST_F(TimelineTest, FrameStepIsZeroFirstThenFifteenUnitsPerSecond) {
  clock_.set(987654);  // long after start-up
  EXPECT_EQ(timelineAdvance(nullptr, 0), roomDarkenScene);
  EXPECT_EQ(frameStep, 0.0f);

  // Then fifteen units a second, across a wrapped counter.
  clock_.set(0xFFFFFFF0u);
  frame(0, 0);
  frame(0, 0x20);  // the counter wraps to 0x10
  EXPECT_FLOAT_EQ(frameStep, 32 * 0.015f);
}

TEST_F(TimelineTest, EachEntryGivesWayJustAfterItsEndPosition) {
  const std::vector<std::pair<std::int32_t, SceneRoutine>> walk = {
      {0, roomDarkenScene},        {36, roomGazeScene},     {37, roomDollyScene},    {256, roomDollyScene},
      {257, roomFlyScene},         {512, roomFlyScene},     {513, roomSwayScene},    {560, roomSwayScene},
      {561, roomDarkenScene},      {772, roomDarkenScene},  {773, islandUnveilScene}, {800, islandUnveilScene},
      {801, islandSlideScene},     {1024, islandSlideScene}, {1025, houseScene},      {1296, houseScene},
  };
  frame(0);
  for (const auto& [position, scene] : walk) EXPECT_EQ(frame(position), scene) << "at position " << position;
}

TEST_F(TimelineTest, JumpAdvancesOneEntryPerFrameAndAFallKeepsTheEntry) {
  frame(0);
  frame(10);
  ASSERT_EQ(timelineState.currentIndex, 1);
  const std::vector<SceneRoutine> expected = {roomDollyScene, roomFlyScene, roomSwayScene, roomDarkenScene,
                                              roomDarkenScene};
  for (SceneRoutine scene : expected) EXPECT_EQ(frame(600), scene);
  EXPECT_EQ(timelineState.currentIndex, 5) << "entry 5 holds position 600";
  EXPECT_EQ(frame(0), roomDarkenScene) << "a falling position keeps the current entry";
  EXPECT_EQ(timelineState.currentIndex, 5);
}

TEST_F(TimelineTest, QuitIsAskedAfterOrderFiveRowSixteenOnEveryStep) {
  for (int i = 0; i < 20; ++i) frame(1296);
  EXPECT_EQ(timelineState.currentIndex, 8);
  EXPECT_EQ(quitMessagesWaiting(), 0);

  EXPECT_EQ(frame(1297), houseScene) << "the frame that asks for the quit is still drawn";
  EXPECT_EQ(frame(6 * 256), houseScene);
  EXPECT_EQ(quitMessagesWaiting(), 2);
  EXPECT_EQ(frame(65535), houseScene);
  EXPECT_EQ(timelineState.currentIndex, 8) << "the last entry is never passed";
}

}  // namespace
