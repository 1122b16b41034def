// The island set seen by a circling camera, and the two scenes that lay an
// overlay over it: the unveiling from darkness and the picture sliding up.
#include "app/timeline.h"
#include "assets/mesh_table.h"
#include "render/device.h"
#include "render/object_transform.h"
#include "render/render_states.h"
#include "render/screen_quad.h"
#include "scenes/animated_picture.h"
#include "scenes/scene_camera.h"
#include "scenes/scene_routines.h"
#include "scenes/scene_state.h"

namespace {
constexpr int kIslandTexture = 3;
constexpr int kSkyTexture = 4;
constexpr int kObjectTexture = 5;
constexpr int kDarkenTexture = 6;
constexpr int kSlidePictureTexture = 7;
constexpr float kObjectScale = 0.02f;
constexpr float kLandscapeScale = 0.1f;

// White diffuse and ambient, a faint specular, power 1.
D3DMATERIAL8 islandMaterial() {
  D3DMATERIAL8 material = {};
  material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Specular = {0.8f, 0.8f, 0.8f, 0.0f};
  material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
  material.Power = 1.0f;
  return material;
}

// Light A is bright and carries a white ambient; light B is dimmer and has
// none, so the objects under it get only the global ambient.
D3DLIGHT8 islandLight(float intensity, bool withAmbient) {
  D3DLIGHT8 light;
  initLight(&light, D3DLIGHT_DIRECTIONAL, -2.0f, 1.0f, 0.0f, intensity);
  if (withAmbient) light.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
  return light;
}
}  // namespace

void islandScene() {
  SceneState& s = sceneState;
  s.islandPhase += 4.0f * frameStep;
  orbitVec = {1.5f, -0.3f, 0.0f};
  rotateOrbitAboutY(s.islandPhase + 120.0f);
  setViewLookAt(orbitVec, {-1.0f, 1.5f, 0.4f}, {0.0f, 1.0f, 0.0f});

  bindTextureSlot(kObjectTexture);
  blendOff();
  setDepthBias(0);
  const D3DMATERIAL8 material = islandMaterial();
  device->SetMaterial(&material);
  const D3DLIGHT8 lightA = islandLight(1.0f, true);
  device->SetLight(0, &lightA);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0x00808080);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  blendOff();
  setDepthBias(0);
  depthOn();
  setObjectTransform(kObjectScale, 0.0f);
  drawMesh(10);
  drawMesh(11);

  const D3DLIGHT8 lightB = islandLight(0.4f, false);
  device->SetLight(0, &lightB);
  device->SetMaterial(&material);
  drawMesh(12);
  drawMesh(13);
  drawMesh(14);

  bindTextureSlot(kSkyTexture);
  setObjectTransform(kLandscapeScale, 0.0f);
  setDepthBias(0);
  drawMesh(15);
  // The sky again, with the animated picture added onto it.
  blendAdditive();
  setDepthBias(15);
  stepAnimatedPicture(false);
  drawMesh(15);

  blendOff();
  depthOn();
  bindTextureSlot(kIslandTexture);
  drawMesh(16);
  drawMesh(17);
}

void islandUnveilScene() {
  SceneState& s = sceneState;
  islandScene();
  beginDarkeningOverlay(kDarkenTexture);
  drawScreenQuadLevel(static_cast<UINT>(truncToInt(s.unveilLevel)));
  s.unveilLevel -= 4.0f * frameStep;
  if (s.unveilLevel < 0.0f) s.unveilLevel = 0.0f;
  cullClockwise();
  depthOn();
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
}

void islandSlideScene() {
  SceneState& s = sceneState;
  islandScene();
  bindTextureSlot(kSlidePictureTexture);
  cullNone();
  depthOff();
  blendAlpha();
  drawScreenQuadShifted(s.slideOffset);  // the exact float, before the decrease
  s.slideOffset -= 5.0f * frameStep;
  if (s.slideOffset < 0.0f) s.slideOffset = 0.0f;
  cullClockwise();
  depthOn();
  // Held at 0 so the house scene's closing darkness starts from nothing.
  s.finalDarken = 0.0f;
}
