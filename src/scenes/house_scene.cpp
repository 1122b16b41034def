// The last scene: the house with its boxes and picture screens, seen from a
// bobbing eye on the vertical axis, under a faint glow of the picture and a
// darkening that grows until the end.
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
constexpr int kHouseTexture = 2;
constexpr int kBoxTexture = 9;
constexpr int kDarkenTexture = 6;
constexpr int kHouseMesh = 20;
constexpr int kFirstBoxMesh = 21;
constexpr int kFirstScreenMesh = 25;
constexpr int kBoxCount = 4;
constexpr int kScreenCount = 4;
constexpr UINT kPictureGlowLevel = 64;
}  // namespace

void houseScene() {
  SceneState& s = sceneState;
  s.islandPhase += 4.0f * frameStep;
  orbitVec = {0.5f, 0.1f, 0.0f};
  rotateOrbitAboutY(-s.islandPhase);  // against the island orbit's direction
  setViewLookAt({0.0f, orbitVec.x - 0.1f, 0.0f}, {orbitVec.x, -0.2f, orbitVec.z},
                {0.0f, 1.0f, 0.25f * orbitVec.z});

  bindTextureSlot(kHouseTexture);
  blendOff();
  setDepthBias(0);
  setGreyMaterial(0.2f, 0.4f, 0.1f, 1.0f);
  setMovingLight(0.15f);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF);
  blendOff();
  setDepthBias(0);
  setObjectTransform(0.02f, 0.0f);
  drawMesh(kHouseMesh);
  bindTextureSlot(kBoxTexture);
  for (int i = 0; i < kBoxCount; ++i) drawMesh(kFirstBoxMesh + i);
  stepAnimatedPicture(false);
  for (int i = 0; i < kScreenCount; ++i) drawMesh(kFirstScreenMesh + i);

  // A faint glow of the same picture frame the screens show.
  cullNone();
  depthOff();
  blendAdditive();
  drawScreenQuadLevel(kPictureGlowLevel);
  cullClockwise();
  depthOn();

  beginDarkeningOverlay(kDarkenTexture);
  drawScreenQuadLevel(static_cast<UINT>(truncToInt(s.finalDarken)));
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  s.finalDarken += frameStep;
  if (s.finalDarken > 255.0f) s.finalDarken = 255.0f;
  cullClockwise();
  depthOn();
}
