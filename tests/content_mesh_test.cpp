// The generated meshes: files the loader's check passes, unit normals with
// winding that follows them, and placement against the presentation's
// cameras.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/file_loading.h"
#include "assets/mesh_file.h"
#include "content/content_meshes.h"
#include "content/mesh_builder.h"

namespace {

// A mesh in world units of its set.
struct WorldMesh {
  std::vector<Vec3f> positions;
  std::vector<Vec3f> normals;
  std::vector<std::uint16_t> indices;
  Vec3f low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
};

// Places a mesh as the presentation does: model point m goes to
// (m + (0, -35, 0)) × scale, then turned by `angle` about y.
WorldMesh place(const MeshData& data, float scale, float angle = 0) {
  WorldMesh w;
  const float c = std::cos(angle), s = std::sin(angle);
  for (std::size_t v = 0; v + 2 < data.positions.size(); v += 3) {
    const Vec3f m{data.positions[v], data.positions[v + 1] - 35.0f, data.positions[v + 2]};
    const Vec3f world{(m.x * c + m.z * s) * scale, m.y * scale, (-m.x * s + m.z * c) * scale};
    w.positions.push_back(world);
    const Vec3f n{data.normals[v], data.normals[v + 1], data.normals[v + 2]};
    w.normals.push_back({n.x * c + n.z * s, n.y, -n.x * s + n.z * c});
    w.low = {std::min(w.low.x, world.x), std::min(w.low.y, world.y), std::min(w.low.z, world.z)};
    w.high = {std::max(w.high.x, world.x), std::max(w.high.y, world.y), std::max(w.high.z, world.z)};
  }
  w.indices = data.indices;
  return w;
}

std::map<std::string, MeshData> allMeshes() {
  std::map<std::string, MeshData> out;
  for (auto* build : {buildRoomMeshes, buildSculptureMeshes, buildIslandMeshes, buildHouseMeshes})
    for (NamedMesh& m : build()) out[m.name] = std::move(m.mesh);
  return out;
}

bool inside(Vec3f p, Vec3f low, Vec3f high, float margin) {
  return p.x > low.x + margin && p.y > low.y + margin && p.z > low.z + margin && p.x < high.x - margin &&
         p.y < high.y - margin && p.z < high.z - margin;
}

// True when every triangle appears counter-clockwise from `eye`.
bool facesEye(const WorldMesh& w, Vec3f eye) {
  for (std::size_t t = 0; t < w.indices.size(); t += 3) {
    const Vec3f a = w.positions[w.indices[t]], b = w.positions[w.indices[t + 1]], c = w.positions[w.indices[t + 2]];
    if (dot(cross(b - a, c - a), eye - a) >= 0) return false;
  }
  return true;
}

TEST(ContentMeshes, EveryFileIsSoundWithUnitNormalsAndWindingThatFollowsThem) {
  std::set<std::string> names;  // every mesh file the presentation loads
  for (const FileLoad& load : kFileLoads) {
    const std::string path = platformPath(load.path);
    if (load.isMesh) names.insert(path.substr(4, path.size() - 8));  // ref/NAME.obu
  }
  const std::map<std::string, MeshData> meshes = allMeshes();
  EXPECT_EQ(meshes.size(), names.size());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(meshes.count(name));
    const MeshData& m = meshes.at(name);
    const std::vector<std::uint8_t> file = encodeMeshFile(m);
    std::string problem;
    EXPECT_TRUE(checkMeshFile(file.data(), file.size(), &problem)) << problem;
    const WorldMesh w = place(m, 1.0f);
    EXPECT_GT(w.indices.size(), 0u);
    EXPECT_LE(w.indices.size() / 3, 5000u);
    EXPECT_EQ(m.texcoords.size() / 2, w.positions.size());
    for (const Vec3f& n : w.normals) ASSERT_NEAR(std::sqrt(dot(n, n)), 1.0f, 1e-4f);
    for (float t : m.texcoords) ASSERT_TRUE(std::isfinite(t));
    // A triangle is seen counter-clockwise from the side its normals face, so
    // in this left-handed frame its edge cross product points the other way.
    int wrong = 0;
    for (std::size_t t = 0; t < w.indices.size(); t += 3) {
      const Vec3f a = w.positions[w.indices[t]], b = w.positions[w.indices[t + 1]], c = w.positions[w.indices[t + 2]];
      const Vec3f n = w.normals[w.indices[t]] + w.normals[w.indices[t + 1]] + w.normals[w.indices[t + 2]];
      if (dot(cross(b - a, c - a), n) >= 0) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(ContentMeshes, RoomHoldsItsCamerasAndSculptures) {
  const std::map<std::string, MeshData> meshes = allMeshes();
  const WorldMesh room = place(meshes.at("huone"), kRoomScale);
  // Eyes of the room scenes: the gaze, the dolly along x, the fly-through
  // and fly-back along z.
  std::vector<Vec3f> eyes = {{2, 0, 0}};
  for (float d = 0; d <= 2.0f; d += 0.1f) eyes.push_back({2 - d, 0, 0});
  for (float z = -2.5f; z <= 1.5f; z += 0.1f) eyes.push_back({-0.8f, 0.3f, z});
  for (const Vec3f& e : eyes) EXPECT_TRUE(inside(e, room.low, room.high, 0.5f)) << e.x << "," << e.z;
  // The room turns its sculptures by 1.7 radians; they must stand inside it
  // and clear of every eye.
  for (const char* name : {"isomies", "imkeha", "piru"}) {
    const WorldMesh w = place(meshes.at(name), kRoomScale, 1.7f);
    EXPECT_TRUE(w.low.x > room.low.x + 0.1f && w.low.z > room.low.z + 0.1f && w.high.x < room.high.x - 0.1f &&
                w.high.z < room.high.z - 0.1f && w.high.y < room.high.y - 0.1f)
        << name;
    EXPECT_NEAR(w.low.y, kFloorHeight, 0.05f) << name << " stands on the floor";
    EXPECT_NEAR(room.low.y, kFloorHeight, 0.01f);
    for (const Vec3f& e : eyes)
      EXPECT_FALSE(inside(e, w.low, w.high, -0.2f)) << name << " in the way at " << e.x << "," << e.z;
  }
  // The picture panel faces the gaze and the dolly.
  const WorldMesh panel = place(meshes.at("rectangle2"), kRoomScale);
  EXPECT_TRUE(facesEye(panel, {2, 0, 0}));
  EXPECT_TRUE(facesEye(panel, {0.5f, 0, 0}));
}

TEST(ContentMeshes, IslandKeepsClearOfTheCirclingEye) {
  const std::map<std::string, MeshData> meshes = allMeshes();
  auto radial = [](Vec3f p) { return std::sqrt(p.x * p.x + p.z * p.z); };
  // Ground under the eye's circle (radius 1.5 at height -0.3) stays low.
  const WorldMesh island = place(meshes.at("saari"), kOutdoorScale);
  for (const Vec3f& p : island.positions)
    if (std::fabs(radial(p) - 1.5f) < 0.3f) {
      ASSERT_LT(p.y, -0.4f);
    }
  // Sculptures keep out of a tube of radius 0.25 round the eye's path.
  for (const char* name : {"isomies", "imkeha", "piru", "AK", "vapaus"}) {
    const WorldMesh w = place(meshes.at(name), kRoomScale);
    for (const Vec3f& p : w.positions) {
      const float dr = radial(p) - 1.5f, dy = p.y + 0.3f;
      ASSERT_GT(dr * dr + dy * dy, 0.25f * 0.25f) << name;
    }
  }
  // The sky dome surrounds the landscape and stays inside the far plane
  // (100) from anywhere on the eye's circle.
  const WorldMesh sky = place(meshes.at("taivas"), kOutdoorScale);
  const WorldMesh water = place(meshes.at("vesi"), kOutdoorScale);
  float nearestSky = 1e9f, farthestSky = 0;
  for (const Vec3f& p : sky.positions) {
    if (p.y < -0.7f) continue;
    nearestSky = std::min(nearestSky, std::sqrt(dot(p - Vec3f{0, -0.7f, 0}, p - Vec3f{0, -0.7f, 0})));
    farthestSky = std::max(farthestSky, radial(p) + 1.5f);
  }
  float waterReach = 0;
  for (const Vec3f& p : water.positions) waterReach = std::max(waterReach, radial(p));
  EXPECT_LT(waterReach, nearestSky);
  EXPECT_LT(farthestSky, 99.0f);
  EXPECT_TRUE(facesEye(water, {1.5f, -0.3f, 0}));
}

TEST(ContentMeshes, HouseSurroundsItsCameraAndScreensFaceIt) {
  const std::map<std::string, MeshData> meshes = allMeshes();
  const WorldMesh house = place(meshes.at("talo"), kRoomScale);
  for (float h = -0.6f; h <= 0.4f; h += 0.1f) EXPECT_TRUE(inside({0, h, 0}, house.low, house.high, 0.3f));
  for (const char* name : {"screen00", "screen01", "screen02", "screen03"}) {
    const WorldMesh screen = place(meshes.at(name), kRoomScale);
    EXPECT_TRUE(facesEye(screen, {0, -0.6f, 0}) && facesEye(screen, {0, 0.4f, 0})) << name;
    EXPECT_TRUE(inside(screen.low, house.low, house.high, 0.0f)) << name;
  }
  for (const char* name : {"ChamferBo0", "ChamferBo1", "ChamferBo2", "ChamferBox"}) {
    const WorldMesh box = place(meshes.at(name), kRoomScale);
    EXPECT_NEAR(box.low.y, house.low.y, 0.01f) << name << " stands on the floor";
    EXPECT_FALSE(box.low.x < 0.3f && box.high.x > -0.3f && box.low.z < 0.3f && box.high.z > -0.3f)
        << name << " blocks the camera";
  }
}

}  // namespace
