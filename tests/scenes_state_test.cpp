// How the scene state, the orbit vector and the cameras evolve over frames:
// limits reached and held, values carried from one scene to the next, and
// each scene's view at chosen phases against the formulas worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "codec/texture_building.h"
#include "codec/image_decoder.h"
#include "render/math3d.h"
#include "scenes/room_renderer.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"
#include "support/recording_device.h"
#include "support/scene_world.h"

namespace {

constexpr float kStep = 0.0061359182f;

// One world per test on a recording device, with a picture of three frames.
class SceneTest : public ::testing::Test {
 protected:
  ScopedRecordingDevice fake;
  SceneWorld world{&fake.get(), 3, false};

  // The colour of every screen quad drawn so far, in order.
  std::vector<DWORD> quadColours() {
    std::vector<DWORD> colours;
    for (const std::vector<BYTE>& data : fake->drawnVertexData) {
      DWORD colour = 0;
      if (data.size() >= 20) std::memcpy(&colour, data.data() + 16, sizeof colour);
      colours.push_back(colour);
    }
    return colours;
  }
  // Runs `scene` once per step; the colour of each frame's last quad.
  std::vector<DWORD> lastQuads(void (*scene)(), std::initializer_list<float> steps) {
    std::vector<DWORD> colours;
    for (float step : steps) {
      world.frame(scene, step);
      colours.push_back(quadColours().back());
    }
    return colours;
  }
  // The y of the first corner of the last quad drawn.
  float lastQuadTop() {
    float y = -1.0f;
    const std::vector<BYTE>& data = fake->drawnVertexData.back();
    std::memcpy(&y, data.data() + 4, sizeof y);
    return y;
  }
  void expectView(Vec3 eye, Vec3 target, Vec3 up) {
    Mat4 expected;
    mat4LookAtLH(&expected, &eye, &target, &up);
    const Mat4& actual = fake->transforms[D3DTS_VIEW];
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.m[i][j], expected.m[i][j], 1e-5f) << i << "," << j;
    }
  }
  DWORD renderState(D3DRENDERSTATETYPE state) { return fake->renderStates[state]; }
  void expectDepthOnAfterOverlay() {
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(renderState(D3DRS_BLENDOP), DWORD(D3DBLENDOP_ADD));
  }
};

TEST(SceneOrbit, RotationsUseTheValuesBeforeTheCall) {
  orbitVec = {1.0f, 5.0f, 1.0f};
  rotateOrbitAboutY(256.0f);  // a quarter turn: (x, z) -> (x c - z s, x s + z c)
  EXPECT_NEAR(orbitVec.x, -1.0f, 1e-5f);
  EXPECT_EQ(orbitVec.y, 5.0f);
  EXPECT_NEAR(orbitVec.z, 1.0f, 1e-5f);

  orbitVec = {7.0f, 1.0f, 1.0f};
  rotateOrbitAboutX(256.0f);
  EXPECT_EQ(orbitVec.x, 7.0f);
  EXPECT_NEAR(orbitVec.y, -1.0f, 1e-5f);
  EXPECT_NEAR(orbitVec.z, 1.0f, 1e-5f);

  // 1024 steps of 3.14159 / 512 stop about 5e-6 radians short of a turn.
  orbitVec = {1.0f, 0.0f, 0.0f};
  rotateOrbitAboutY(1024.0f);
  EXPECT_LT(orbitVec.z, -4e-6f);
  EXPECT_GT(orbitVec.z, -6e-6f);
}

TEST(SceneOrbit, TruncationGoesTowardZeroAndSaturates) {
  EXPECT_EQ(truncToInt(127.99f), 127);
  EXPECT_EQ(truncToInt(-0.75f), 0);
  EXPECT_EQ(truncToInt(-3.5f), -3);
  EXPECT_EQ(truncToInt(3e9f), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(truncToInt(-3e9f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(truncToInt(std::numeric_limits<float>::quiet_NaN()), 0);
}

// ---- shared renderer ----

TEST_F(SceneTest, RoomLightAndPictureAdvanceWithTheStepUpToTheirLimits) {
  // The light rises by a hundredth per unit and stops at one; the picture
  // runs at half a frame per unit and a long frame wraps it.
  const struct {
    float step, light, picture;
  } frames[] = {{0, 0, 0}, {1, 0.01f, 0.5f}, {3, 0.04f, 2.0f}, {100, 1, 0}, {1000, 1, -1}};
  for (const auto& f : frames) {
    world.frame(drawRoom, f.step);
    EXPECT_FLOAT_EQ(sceneState.roomLight, f.light) << f.step;
    if (f.picture >= 0) {
      EXPECT_EQ(sceneState.animFrame, f.picture) << f.step;
    }
  }
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

// ---- room scene with darkening ----

TEST_F(SceneTest, DarkenStartsAtZeroRisesAndHoldsAtTheLimit) {
  // Each quad shows the level before the frame's increase of 4 a unit.
  EXPECT_EQ(lastQuads(roomDarkenScene, {0, 10, 10, 500, 1}),
            (std::vector<DWORD>{0, 0, 0x28282828u, 0x50505050u, 0xFFFFFFFFu}));
  EXPECT_EQ(sceneState.darkenLevel, 255.0f);
  expectDepthOnAfterOverlay();
}

TEST_F(SceneTest, SecondDarkenRunContinuesFromTheFirst) {
  world.frame(roomDarkenScene, 0.0f);
  world.frame(roomDarkenScene, 0.75f);  // level 3 after the entry-0 frames
  for (auto scene : {roomGazeScene, roomDollyScene, roomFlyScene, roomSwayScene}) world.frame(scene, 5.0f);
  world.frame(roomDarkenScene, 5.0f);
  EXPECT_EQ(quadColours().back(), 0x03030303u);
  EXPECT_EQ(sceneState.darkenLevel, 23.0f);
}

// ---- room scene with circling gaze ----

TEST_F(SceneTest, GazeTargetCirclesAboveTheStillEye) {
  world.frame(roomGazeScene, 192.0f);  // phase + 64 = 256: a quarter turn
  const float theta = 256.0f * kStep;
  const float z = 2.0f * std::sin(theta);
  expectView({2, 0, 0}, {2.0f * std::cos(theta), 1, z}, {0, 1, 0.1f * z});
  EXPECT_EQ(sceneState.roomPhase, 192.0f);

  Mat4 before = fake->transforms[D3DTS_VIEW];
  world.frame(roomGazeScene, 0.0f);  // no time: the same view
  EXPECT_EQ(std::memcmp(&before, &fake->transforms[D3DTS_VIEW], sizeof before), 0);
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

// ---- room scene with dolly and rising glow ----

TEST_F(SceneTest, DollyEyeTravelsAlongXWithoutLimit) {
  world.frame(roomDollyScene, 136.0f);  // phase + 120 = 256
  const float theta = 256.0f * kStep;
  expectView({2.0f - 1.36f, 0, 0}, {-2, 1, 0}, {0, 1, 0.4f * (3.0f * std::sin(theta))});
  world.frame(roomDollyScene, 300.0f);
  EXPECT_FLOAT_EQ(sceneState.dolly, 4.36f);  // past the target's x
  EXPECT_FLOAT_EQ(sceneState.roomPhase, 436.0f);
}

TEST_F(SceneTest, DollyGlowRisesToLevel127WithTheValueBeforeTheIncrease) {
  // trunc(0.5 x 127.5) = 63 after the first frame's 0.5.
  EXPECT_EQ(lastQuads(roomDollyScene, {25, 25, 400, 1}),
            (std::vector<DWORD>{0, 0x3F3F3F3Fu, 0x7F7F7F7Fu, 0x7F7F7F7Fu}));
  EXPECT_EQ(sceneState.glowFade, 1.0f);
  EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(FALSE));  // the glow leaves depth off
  EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
}

// ---- room scene with fly-through ----

TEST_F(SceneTest, FlyEyeAndTargetPassAlongZ) {
  sceneState.approach = 0.5f;
  world.frame(roomFlyScene, 0.0f);
  expectView({-0.8f, 0.3f, 0.5f}, {-0.3f, 0.4f, -0.5f}, {0, 1, 0.25f});
  world.frame(roomFlyScene, 500.0f / 13.0f);  // a = 1: eye and target at z = 0
  EXPECT_FLOAT_EQ(sceneState.approach, 1.0f);
  expectView({-0.8f, 0.3f, 0.0f}, {-0.3f, 0.4f, 0.0f}, {0, 1, 0.3f});
  EXPECT_FLOAT_EQ(sceneState.roomPhase, 500.0f / 13.0f);
}

TEST_F(SceneTest, FlyGlowFadesOutAndHoldsAtZero) {
  sceneState.glowFade = 1.0f;
  // trunc(0.7 x 127.5) = 89 after the first frame's fall of 0.3.
  EXPECT_EQ(lastQuads(roomFlyScene, {10, 100}), (std::vector<DWORD>{0x7F7F7F7Fu, 0x59595959u}));
  EXPECT_EQ(sceneState.glowFade, 0.0f);
  EXPECT_EQ(lastQuads(roomFlyScene, {1}), std::vector<DWORD>{0});
  EXPECT_EQ(sceneState.glowFade, 0.0f);
  EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(FALSE));
}

// ---- room scene with sway ----

TEST_F(SceneTest, SwayTargetSwingsWithTheNewSway) {
  world.frame(roomSwayScene, 0.0f);  // the first frame: no sway and no approach
  expectView({-0.8f, 0.3f, 1.0f}, {-0.3f, 0.4f, -1.0f}, {0, 1, 0.2f});
  EXPECT_EQ(sceneState.approach, 0.0f);
  EXPECT_EQ(quadColours(), (std::vector<DWORD>{0, 0}));
  world.frame(roomSwayScene, 10.0f);
  const float s = 0.1f;
  const float a = -s * 10.0f * 0.013f;
  EXPECT_FLOAT_EQ(sceneState.sway, s);
  EXPECT_FLOAT_EQ(sceneState.approach, a);
  EXPECT_FLOAT_EQ(sceneState.dolly, -0.15f);
  const float theta = 130.0f * kStep;
  expectView({-0.8f, 0.3f, 1.0f - a}, {s * std::cos(theta) - 0.3f, 0.4f, a - 1.0f},
             {0, 1, s * std::sin(theta) + 0.1f * a + 0.2f});
}

TEST_F(SceneTest, SwayApproachKeepsFallingOnceSwayIsFull) {
  world.frame(roomSwayScene, 200.0f);
  EXPECT_EQ(sceneState.sway, 1.0f);
  EXPECT_FLOAT_EQ(sceneState.approach, -2.6f);
  world.frame(roomSwayScene, 1000.0f);
  EXPECT_FLOAT_EQ(sceneState.approach, -15.6f);
}

TEST_F(SceneTest, SwayGlowsUseTheFadeBeforeTheIncreaseDoubledBeforeTruncating) {
  world.frame(roomSwayScene, 25.0f);  // levels of fade 0, then fade 0.5
  world.frame(roomSwayScene, 1000.0f);
  world.frame(roomSwayScene, 0.0f);
  EXPECT_EQ(quadColours(), (std::vector<DWORD>{0, 0, 0x13131313u, 0x26262626u,  // 19.125 -> 19, 38.25 -> 38
                                               0x26262626u, 0x4C4C4C4Cu}));    // 38.25 -> 38, 76.5 -> 76
  EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(FALSE));
}

// ---- island scenes ----

TEST_F(SceneTest, IslandEyeCirclesAtRadiusOneAndAHalf) {
  world.frame(islandUnveilScene, 34.0f);  // phase 136, + 120 = 256
  const float theta = 256.0f * kStep;
  expectView({1.5f * std::cos(theta), -0.3f, 1.5f * std::sin(theta)}, {-1.0f, 1.5f, 0.4f}, {0, 1, 0});
  EXPECT_EQ(sceneState.islandPhase, 136.0f);
}

TEST_F(SceneTest, UnveilFallsFromFullStrengthToZeroAndHolds) {
  EXPECT_EQ(lastQuads(islandUnveilScene, {10, 10, 500, 1}),
            (std::vector<DWORD>{0xFFFFFFFFu, 0xD7D7D7D7u, 0xAFAFAFAFu, 0}));  // 255, 215, 175, then held at 0
  EXPECT_EQ(sceneState.unveilLevel, 0.0f);
  expectDepthOnAfterOverlay();
}

TEST_F(SceneTest, SlidePictureRisesFromBelowTheScreenAndHoldsFinalDarkenAtZero) {
  sceneState.finalDarken = 100.0f;
  world.frame(islandSlideScene, 0.3f);
  EXPECT_EQ(lastQuadTop(), 480.0f);
  EXPECT_EQ(quadColours().back(), 0xFFFFFFFFu);
  EXPECT_EQ(sceneState.finalDarken, 0.0f);
  world.frame(islandSlideScene, 10.0f);
  EXPECT_EQ(lastQuadTop(), 478.5f);  // the exact float, not truncated
  world.frame(islandSlideScene, 1000.0f);
  EXPECT_EQ(sceneState.slideOffset, 0.0f);
  world.frame(islandSlideScene, 1.0f);
  EXPECT_EQ(lastQuadTop(), 0.0f);
  EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD(TRUE));
  EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
}

// ---- house scene ----

TEST_F(SceneTest, HouseEyeBobsOnTheAxisWhileTheTargetCirclesTheOtherWay) {
  sceneState.islandPhase = 200.0f;
  world.frame(houseScene, 14.0f);  // phase 256: theta = -256 steps
  const float theta = -256.0f * kStep;
  const float x = 0.5f * std::cos(theta);
  const float z = 0.5f * std::sin(theta);
  expectView({0, x - 0.1f, 0}, {x, -0.2f, z}, {0, 1, 0.25f * z});
  EXPECT_LT(z, -0.49f);
}

TEST_F(SceneTest, HouseGlowIsFixedAndTheClosingDarknessRisesToTheLimit) {
  world.frame(islandSlideScene, 1.0f);
  const size_t before = quadColours().size();
  world.frame(houseScene, 10.0f);
  world.frame(houseScene, 10.0f);
  world.frame(houseScene, 1000.0f);
  world.frame(houseScene, 0.0f);
  const std::vector<DWORD> all = quadColours();
  const std::vector<DWORD> colours(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  EXPECT_EQ(colours, (std::vector<DWORD>{0x40404040u, 0x00000000u, 0x40404040u, 0x0A0A0A0Au,
                                         0x40404040u, 0x14141414u, 0x40404040u, 0xFFFFFFFFu}));
  EXPECT_EQ(sceneState.finalDarken, 255.0f);
  expectDepthOnAfterOverlay();
}

}  // namespace
