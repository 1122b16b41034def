// How the scene state evolves where neither the call-sequence test nor the
// whole runs can tell (their runs are too short to reach any limit): every
// level stopping at its limit, a gaze straight up, the slide's exact offsets
// and the saturating truncation every level goes through.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "render/math3d.h"
#include "scenes/room_renderer.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"
#include "support/recording_device.h"
#include "support/scene_world.h"

namespace {

// One world per test on a recording device, with a picture of three frames.
class SceneTest : public ::testing::Test {
 protected:
  ScopedRecordingDevice fake;
  SceneWorld world{&fake.get(), 3, false};

  // The y of the first corner of the last quad drawn.
  float lastQuadTop() {
    float y = -1.0f;
    std::memcpy(&y, fake->drawnVertexData.back().data() + 4, sizeof y);
    return y;
  }
};

TEST(SceneOrbit, TruncationGoesTowardZeroAndSaturates) {
  EXPECT_EQ(truncToInt(127.99f), 127);
  EXPECT_EQ(truncToInt(-0.75f), 0);
  EXPECT_EQ(truncToInt(-3.5f), -3);
  EXPECT_EQ(truncToInt(3e9f), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(truncToInt(-3e9f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(truncToInt(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(SceneTest, GazeStraightUpGivesTheDegenerateViewAndTheFrameGoesOn) {
  sceneState.roomPhase = 950.0f;
  world.frame(roomGazeScene, 10.0f);  // phase + 64 = 1024: target above the eye
  const Mat4& view = fake->transforms[D3DTS_VIEW];
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(view.m[row][0], 0.0f);
    EXPECT_EQ(view.m[row][1], 0.0f);
  }
  EXPECT_NEAR(view.m[1][2], 1.0f, 1e-5f);  // the gaze itself stays
  EXPECT_FLOAT_EQ(sceneState.roomLight, 0.1f);  // the room was still drawn
}

// However long the frame, each level stops at its limit and holds there.
TEST_F(SceneTest, EveryLevelStopsAtItsLimit) {
  const struct {
    const char* what;
    void (*scene)();
    float SceneState::*level;
    float limit;
  } cases[] = {
      {"room light", drawRoom, &SceneState::roomLight, 1.0f},
      {"darkening", roomDarkenScene, &SceneState::darkenLevel, 255.0f},
      {"dolly glow", roomDollyScene, &SceneState::glowFade, 1.0f},
      {"fly glow", roomFlyScene, &SceneState::glowFade, 0.0f},
      {"sway", roomSwayScene, &SceneState::sway, 1.0f},
      {"unveiling", islandUnveilScene, &SceneState::unveilLevel, 0.0f},
      {"slide", islandSlideScene, &SceneState::slideOffset, 0.0f},
      {"closing darkness", houseScene, &SceneState::finalDarken, 255.0f},
  };
  for (const auto& c : cases) {
    sceneState = SceneState{};
    for (int frame = 0; frame < 2; ++frame) {
      world.frame(c.scene, 1000.0f);
      EXPECT_EQ(sceneState.*c.level, c.limit) << c.what;
    }
  }
}

TEST_F(SceneTest, SlidePictureMovesByExactFloatsAndHoldsFinalDarkenAtZero) {
  sceneState.finalDarken = 100.0f;
  world.frame(islandSlideScene, 0.3f);
  EXPECT_EQ(sceneState.finalDarken, 0.0f);
  world.frame(islandSlideScene, 10.0f);
  EXPECT_EQ(lastQuadTop(), 478.5f);  // the exact float, not truncated
}

}  // namespace
