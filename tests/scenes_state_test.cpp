// How the scene state evolves over frames where neither the call-sequence
// test nor the whole run can tell: the picture's frame counter, a glow that
// must hold at zero, a gaze straight up, the slide's exact offsets and the
// saturating truncation every level goes through.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "codec/image_decoder.h"
#include "codec/texture_building.h"
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

  // Runs `scene` once per step; the colour of each frame's last screen quad.
  std::vector<DWORD> lastQuads(void (*scene)(), std::initializer_list<float> steps) {
    std::vector<DWORD> colours;
    for (float step : steps) {
      world.frame(scene, step);
      DWORD colour = 0;
      std::memcpy(&colour, fake->drawnVertexData.back().data() + 16, sizeof colour);
      colours.push_back(colour);
    }
    return colours;
  }
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

TEST_F(SceneTest, PictureShowsEveryFrameThenFrameZeroOnceMoreThenRestarts) {
  // Two time units advance the picture by exactly one frame.
  std::vector<DWORD> shown;
  std::vector<float> counter;
  for (int i = 0; i < 9; ++i) {
    counter.push_back(sceneState.animFrame);
    world.frame(drawRoom, 2.0f);
    auto* texture = static_cast<RecordingTexture*>(streamingPairs[sizeClass].systemTexture);
    shown.push_back(texture->texel(5, 5) & 0x00FFFFFF);
  }
  EXPECT_EQ(counter, (std::vector<float>{0, 1, 2, 3, 0, 1, 2, 3, 0}));
  EXPECT_NE(shown[0], shown[1]);
  EXPECT_NE(shown[1], shown[2]);
  EXPECT_NE(shown[0], shown[2]);
  const std::vector<DWORD> expected = {shown[0], shown[1], shown[2], shown[0], shown[0],
                                       shown[1], shown[2], shown[0], shown[0]};
  EXPECT_EQ(shown, expected);
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

TEST_F(SceneTest, FlyGlowFadesOutAndHoldsAtZero) {
  sceneState.glowFade = 1.0f;
  // trunc(0.7 x 127.5) = 89 after the first frame's fall of 0.3.
  EXPECT_EQ(lastQuads(roomFlyScene, {10, 100}), (std::vector<DWORD>{0x7F7F7F7Fu, 0x59595959u}));
  EXPECT_EQ(sceneState.glowFade, 0.0f);
  EXPECT_EQ(lastQuads(roomFlyScene, {1}), std::vector<DWORD>{0});
  EXPECT_EQ(sceneState.glowFade, 0.0f);
}

TEST_F(SceneTest, SlidePictureMovesByExactFloatsAndHoldsFinalDarkenAtZero) {
  sceneState.finalDarken = 100.0f;
  world.frame(islandSlideScene, 0.3f);
  EXPECT_EQ(sceneState.finalDarken, 0.0f);
  world.frame(islandSlideScene, 10.0f);
  EXPECT_EQ(lastQuadTop(), 478.5f);  // the exact float, not truncated
}

}  // namespace
