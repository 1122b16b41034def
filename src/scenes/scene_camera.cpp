#include "scenes/scene_camera.h"

#include "codec/texture_building.h"
#include "platform/os/win32.h"
#include "render/device.h"
#include "render/object_transform.h"
#include "render/render_states.h"
#include "scenes/scene_state.h"

void setViewLookAt(Vec3 eye, Vec3 target, Vec3 up) {
  Mat4 view;
  mat4LookAtLH(&view, &eye, &target, &up);
  device->SetTransform(D3DTS_VIEW, &view);
}

void setMovingLight(float intensity) {
  orbitVec = {1.0f, 0.5f, 2.0f};
  // The millisecond count is taken exactly (in double) and only the product
  // is rounded to a float, so the angle's resolution coarsens with uptime.
  const DWORD t1 = timeGetTime();
  rotateOrbitAboutY(static_cast<float>(static_cast<double>(t1) * 0.1));
  const DWORD t2 = timeGetTime();
  rotateOrbitAboutX(static_cast<float>(static_cast<double>(t2) * 0.2));
  D3DLIGHT8 light;
  initLight(&light, D3DLIGHT_DIRECTIONAL, orbitVec.x, orbitVec.y, orbitVec.z, intensity);
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
}

void bindTextureSlot(int slot) {
  device->SetTexture(0, textureSlots[slot]);
}

void beginDarkeningOverlay(int slot) {
  bindTextureSlot(slot);
  cullNone();
  depthOff();
  blendAdditive();
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT);
}
