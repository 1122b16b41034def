#include "scenes/scene_state.h"

#include <cmath>

#include "render/portable_trig.h"
#include <limits>

SceneState sceneState;
Vec3 orbitVec = {0.0f, 0.0f, 0.0f};

void rotateOrbitAboutY(float steps) {
  const float theta = steps * kOrbitStep;
  const float c = portableCos(theta);
  const float s = portableSin(theta);
  const float x = orbitVec.x;
  const float z = orbitVec.z;
  orbitVec.x = x * c - z * s;
  orbitVec.z = x * s + z * c;
}

void rotateOrbitAboutX(float steps) {
  const float theta = steps * kOrbitStep;
  const float c = portableCos(theta);
  const float s = portableSin(theta);
  const float y = orbitVec.y;
  const float z = orbitVec.z;
  orbitVec.y = y * c - z * s;
  orbitVec.z = y * s + z * c;
}

std::int32_t truncToInt(float value) {
  // 2^31 is exactly representable; anything at or past it (and NaN) would be
  // undefined in a plain conversion.
  constexpr float kLimit = 2147483648.0f;
  if (std::isnan(value)) return 0;
  if (value >= kLimit) return std::numeric_limits<std::int32_t>::max();
  if (value < -kLimit) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}
