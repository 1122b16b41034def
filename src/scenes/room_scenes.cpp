// The five room scenes: each advances its state values by the frame step,
// places the camera, draws the room set with drawRoom and lays its overlays.
#include "app/timeline.h"
#include "codec/texture_building.h"
#include "render/device.h"
#include "render/render_states.h"
#include "render/screen_quad.h"
#include "scenes/room_renderer.h"
#include "scenes/scene_camera.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"

namespace {
constexpr int kGlowTexture = 3;
constexpr int kSkyGlowTexture = 4;
constexpr int kDarkenTexture = 6;
constexpr float kGlowLevelScale = 127.5f;   // glowFade 1 gives level 127
constexpr float kPictureGlowScale = 38.25f; // glowFade 1 gives level 38

UINT levelOf(float level) {
  return static_cast<UINT>(truncToInt(level));
}

// Adds texture slot 3 in the strength glowFade had before this frame's
// change. The depth test stays off afterwards.
void drawRoomGlow() {
  blendAdditive();
  depthOff();
  cullNone();
  bindTextureSlot(kGlowTexture);
  drawScreenQuadLevel(levelOf(sceneState.glowFade * kGlowLevelScale));
  cullClockwise();
}
}  // namespace

void roomGazeScene() {
  SceneState& s = sceneState;
  s.roomPhase += frameStep;
  orbitVec = {2.0f, 1.0f, 0.0f};
  rotateOrbitAboutY(s.roomPhase + 64.0f);
  // The eye stands still; the target circles above it. Where the target is
  // straight overhead the look-at degenerates and the view collapses.
  setViewLookAt({2.0f, 0.0f, 0.0f}, orbitVec, {0.0f, 1.0f, 0.1f * orbitVec.z});
  drawRoom();
}

void roomDollyScene() {
  SceneState& s = sceneState;
  s.roomPhase += frameStep;
  orbitVec = {3.0f, 1.3f, 0.0f};
  rotateOrbitAboutY(s.roomPhase + 120.0f);
  s.dolly += 0.01f * frameStep;
  setViewLookAt({2.0f - s.dolly, 0.0f, 0.0f}, {-2.0f, 1.0f, 0.0f},
                {0.0f, 1.0f, 0.4f * orbitVec.z});
  drawRoom();
  drawRoomGlow();
  s.glowFade += 0.02f * frameStep;
  if (s.glowFade > 1.0f) s.glowFade = 1.0f;
}

void roomFlyScene() {
  SceneState& s = sceneState;
  s.roomPhase += frameStep;
  s.approach += 0.013f * frameStep;
  const float a = s.approach;
  setViewLookAt({-0.8f, 0.3f, 1.0f - a}, {-0.3f, 0.4f, a - 1.0f},
                {0.0f, 1.0f, 0.1f * a + 0.2f});
  drawRoom();
  drawRoomGlow();
  s.glowFade -= 0.03f * frameStep;
  if (s.glowFade < 0.0f) s.glowFade = 0.0f;
}

void roomSwayScene() {
  SceneState& s = sceneState;
  s.roomPhase += frameStep;
  orbitVec = {1.0f, 0.3f, 0.0f};
  rotateOrbitAboutY(s.roomPhase + 120.0f);
  s.dolly -= 0.015f * frameStep;
  s.sway += 0.01f * frameStep;
  if (s.sway > 1.0f) s.sway = 1.0f;
  s.approach -= s.sway * frameStep * 0.013f;
  const float a = s.approach;
  const float w = s.sway;
  setViewLookAt({-0.8f, 0.3f, 1.0f - a}, {w * orbitVec.x - 0.3f, 0.4f, a - 1.0f},
                {0.0f, 1.0f, w * orbitVec.z + 0.1f * a + 0.2f});
  drawRoom();

  blendAdditive();
  depthOff();
  cullNone();
  // The streaming pair still holds the picture frame and mask drawRoom
  // decoded this frame; uploading it again binds it for the first glow.
  const float level = s.glowFade * kPictureGlowScale;
  uploadStreamingPair();
  drawScreenQuadLevel(levelOf(level));
  bindTextureSlot(kSkyGlowTexture);
  drawScreenQuadLevel(levelOf(2.0f * level));  // doubled before truncating
  cullClockwise();
  s.glowFade += 0.02f * frameStep;
  if (s.glowFade > 1.0f) s.glowFade = 1.0f;
}

void roomDarkenScene() {
  SceneState& s = sceneState;
  roomSwayScene();
  beginDarkeningOverlay(kDarkenTexture);
  drawScreenQuadLevel(levelOf(s.darkenLevel));
  s.darkenLevel += 4.0f * frameStep;
  if (s.darkenLevel > 255.0f) s.darkenLevel = 255.0f;
  cullClockwise();
  depthOn();
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
}
