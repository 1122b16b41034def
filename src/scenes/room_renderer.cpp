#include "scenes/room_renderer.h"

#include "app/timeline.h"
#include "assets/mesh_table.h"
#include "render/device.h"
#include "render/object_transform.h"
#include "render/render_states.h"
#include "scenes/animated_picture.h"
#include "scenes/scene_camera.h"
#include "scenes/scene_state.h"

namespace {
constexpr int kRoomTexture = 2;
constexpr int kObjectTexture = 0;
constexpr int kRoomMesh = 2;
constexpr int kPanelMesh = 5;
constexpr int kFigureMesh = 0;
constexpr int kRingMesh = 6;
constexpr int kDevilMesh = 1;
constexpr float kRoomScale = 0.02f;
constexpr float kObjectAngle = 1.7f;
constexpr int kPanelDepthBias = 15;
}  // namespace

void drawRoom() {
  bindTextureSlot(kRoomTexture);
  blendOff();
  setDepthBias(0);

  // The material takes roomLight before this frame's increase, so the very
  // first frame draws the room and panel black.
  setGreyMaterial(1.0f, 0.6f, 0.4f, sceneState.roomLight);
  sceneState.roomLight += 0.01f * frameStep;
  if (sceneState.roomLight > 1.0f) sceneState.roomLight = 1.0f;

  setMovingLight(0.5f);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_AMBIENT, 0x00FFFFFF);

  // The depth test is left as the previous frame ended it: on after the
  // darkening and island scenes, off after the glow overlays.
  blendOff();
  setDepthBias(0);
  setObjectTransform(kRoomScale, 0.0f);
  drawMesh(kRoomMesh);

  setObjectTransform(kRoomScale, 0.0f);
  stepAnimatedPicture(true);
  // The panel lies over the room whatever the depth and writes no depth.
  blendAlpha();
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  setDepthBias(kPanelDepthBias);
  depthOff();
  drawMesh(kPanelMesh);

  setGreyMaterial(0.3f, 0.1f, 0.2f, 1.0f);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  bindTextureSlot(kObjectTexture);
  setDepthBias(0);
  blendOff();
  depthOn();
  setObjectTransform(kRoomScale, kObjectAngle);
  drawMesh(kFigureMesh);
  drawMesh(kRingMesh);
  bindTextureSlot(kObjectTexture);
  drawMesh(kDevilMesh);
}
