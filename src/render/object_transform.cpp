#include "render/object_transform.h"

#include "render/device.h"
#include "render/math3d.h"

namespace {

// Every object sinks by this many model units before it is scaled.
constexpr float kObjectSink = -35.0f;
constexpr float kLightRange = 1000.0f;

}  // namespace

void setObjectTransform(float scale, float angle) {
  Mat4 rotation, translation, scaling, world;
  mat4RotationY(&rotation, angle);
  mat4Translation(&translation, 0.0f, kObjectSink, 0.0f);
  mat4Scaling(&scaling, scale, scale, scale);
  mat4Scaling(&world, 1.0f, 1.0f, 1.0f);
  mat4Multiply(&world, &world, &translation);
  mat4Multiply(&world, &world, &scaling);
  mat4Multiply(&world, &world, &rotation);
  device->SetTransform(D3DTS_WORLD, &world);
}

void initLight(D3DLIGHT8* light, D3DLIGHTTYPE type, float x, float y, float z, float intensity) {
  *light = D3DLIGHT8{};
  light->Type = type;
  light->Diffuse = D3DCOLORVALUE{intensity, intensity, intensity, 0.0f};
  const Vec3 position{x, y, z};
  vec3Normalize(&light->Direction, &position);
  light->Position = position;
  light->Range = kLightRange;
}
