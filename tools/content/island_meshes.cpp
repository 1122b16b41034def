// The island set's landscape: sky dome, island and water.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "content/content_meshes.h"
#include "content/mesh_builder.h"

namespace {

constexpr float kWaterLevel = -0.7f;
constexpr float kSkyRadius = 80.0f;   // inside the far plane (100) from anywhere the eye goes
constexpr float kWaterRadius = 76.0f;
constexpr float kPi = 3.14159265f;
// The middle of the island: the sculptures stand round it.
constexpr float kIslandX = -1.3f;
constexpr float kIslandZ = 0.3f;

// Smooth value noise on a lattice, from an integer hash: the same on every run.
float latticeValue(int x, int z) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(z) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float smoothNoise(float x, float z) {
  const float fx = std::floor(x), fz = std::floor(z);
  const int ix = int(fx), iz = int(fz);
  float tx = x - fx, tz = z - fz;
  tx = tx * tx * (3 - 2 * tx);
  tz = tz * tz * (3 - 2 * tz);
  const float a = latticeValue(ix, iz), b = latticeValue(ix + 1, iz);
  const float c = latticeValue(ix, iz + 1), d = latticeValue(ix + 1, iz + 1);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * tz;
}

// Height above the water level. A low, gently rolling plateau where the
// sculptures stand and the camera circles (always well under the eye at
// -0.3), a beach falling into the water, and a crescent of cliffs on the far
// side that frames the sculptures from the camera's usual view.
float islandHeight(float x, float z) {
  const float dx = x - kIslandX, dz = z - kIslandZ;
  const float r = std::sqrt(dx * dx + dz * dz);
  const float angle = std::atan2(dz, dx);  // pi points to -x
  const float rough = smoothNoise(x * 1.3f, z * 1.3f) * 0.5f + smoothNoise(x * 3.1f, z * 3.1f) * 0.25f;
  float h = 0.08f + 0.04f * rough;
  // Shore: from the plateau down under the water between r 3.0 and 4.2.
  const float shore = std::clamp((r - 3.0f) / 1.2f, 0.0f, 1.0f);
  h -= shore * shore * 0.5f;
  // Cliffs on the far side.
  float facing = std::cos(angle - kPi);
  if (facing > 0) {
    const float band = std::exp(-((r - 3.4f) * (r - 3.4f)) / 0.5f);
    h += 2.2f * facing * facing * band * (0.6f + 0.8f * rough);
  }
  return h;
}

MeshData sky() {
  MeshBuilder b(kOutdoorScale);
  std::vector<ProfilePoint> profile;
  const int rings = 14;
  for (int i = 0; i <= rings; ++i) {
    const float elevation = -0.15f + (kPi / 2 + 0.15f) * float(i) / float(rings);
    profile.push_back({kSkyRadius * std::cos(elevation), kSkyRadius * std::sin(elevation)});
  }
  profile.back().radius = 0;
  // v runs from the horizon's skirt (0) to just short of 1 at the zenith, so
  // the mirrored coordinate never lands on the texture's wrap-around seam.
  const float arc = kSkyRadius * (kPi / 2 + 0.15f);
  b.lathe({0, kWaterLevel, 0}, profile, 32, 4.0f, 0.98f / arc, true);
  return b.take();
}

MeshData island() {
  MeshBuilder b(kOutdoorScale);
  b.heightField({kIslandX, kWaterLevel, kIslandZ}, 4.6f, 40, islandHeight, 0.5f);
  return b.take();
}

MeshData water() {
  MeshBuilder b(kOutdoorScale);
  // A disc from the rim inwards (so its profile normal points up), with
  // rings closer together near the middle where the camera is.
  std::vector<ProfilePoint> profile;
  for (float r : {kWaterRadius, 40.0f, 20.0f, 10.0f, 6.0f, 3.5f, 2.0f, 1.0f, 0.0f})
    profile.push_back({r, 0.0f});
  b.lathe({0, kWaterLevel, 0}, profile, 36, 1.0f, 1.0f);
  b.mapPlanarXZ(0, 0.35f);
  return b.take();
}

}  // namespace

std::vector<NamedMesh> buildIslandMeshes() {
  std::vector<NamedMesh> meshes;
  meshes.push_back({"taivas", sky()});
  meshes.push_back({"saari", island()});
  meshes.push_back({"vesi", water()});
  return meshes;
}
