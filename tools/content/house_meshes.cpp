// The house set: the house around the last camera, four chamfered boxes on
// its floor and four screens on its walls.
#include "content/content_meshes.h"
#include "content/mesh_builder.h"

namespace {

constexpr float kHalf = 3.2f;       // walls at x, z = ±3.2
constexpr float kFloor = -1.0f;
constexpr float kEaves = 1.4f;
constexpr float kRidge = 2.8f;       // the roof's ridge runs along z
constexpr float kTexturePerMetre = 0.5f;

MeshData house() {
  MeshBuilder b(kRoomScale);
  const float t = kTexturePerMetre, w = 2 * kHalf, h = kEaves - kFloor;
  const int div = 6;
  b.panel({-kHalf, kFloor, -kHalf}, {w, 0, 0}, {0, 0, w}, w * t, w * t, div);            // floor
  b.panel({-kHalf, kFloor, kHalf}, {w, 0, 0}, {0, h, 0}, w * t, h * t, div);             // +z wall
  b.panel({kHalf, kFloor, -kHalf}, {-w, 0, 0}, {0, h, 0}, w * t, h * t, div);            // -z wall
  b.panel({kHalf, kFloor, kHalf}, {0, 0, -w}, {0, h, 0}, w * t, h * t, div);             // +x wall
  b.panel({-kHalf, kFloor, -kHalf}, {0, 0, w}, {0, h, 0}, w * t, h * t, div);            // -x wall
  // Roof slopes, seen from below.
  const float rise = kRidge - kEaves;
  b.panel({kHalf, kEaves, kHalf}, {0, 0, -w}, {-kHalf, rise, 0}, w * t, kHalf * t, div);
  b.panel({-kHalf, kEaves, -kHalf}, {0, 0, w}, {kHalf, rise, 0}, w * t, kHalf * t, div);
  // Gable triangles over the ±z walls.
  for (float side : {-1.0f, 1.0f}) {
    const Vec3f n{0, 0, -side};
    const float z = side * kHalf;
    const auto a = b.vertex({-kHalf, kEaves, z}, n, 0, h * t);
    const auto c = b.vertex({kHalf, kEaves, z}, n, w * t, h * t);
    const auto top = b.vertex({0, kRidge, z}, n, kHalf * t, (h + rise) * t);
    b.triangle(a, c, top);
  }
  // Tie beams, a ridge beam, corner posts and window frames.
  for (float z : {-1.8f, 0.0f, 1.8f}) {
    b.box({-kHalf, kEaves - 0.12f, z - 0.1f}, {kHalf, kEaves + 0.08f, z + 0.1f}, t);
    b.box({-0.08f, kEaves + 0.08f, z - 0.08f}, {0.08f, kRidge, z + 0.08f}, t);  // king post
  }
  b.box({-0.12f, kRidge - 0.2f, -kHalf}, {0.12f, kRidge, kHalf}, t);
  for (float sx : {-1.0f, 1.0f})
    for (float sz : {-1.0f, 1.0f})
      b.box({sx * kHalf - 0.15f, kFloor, sz * kHalf - 0.15f}, {sx * kHalf + 0.15f, kEaves, sz * kHalf + 0.15f}, t);
  for (float sx : {-1.0f, 1.0f}) {
    // Two windows on each long wall, their frames standing out of the wall.
    for (float z : {-1.9f, 1.9f}) {
      const float x = sx * (kHalf - 0.05f);
      b.box({x - 0.05f, 0.35f, z - 0.55f}, {x + 0.05f, 0.45f, z + 0.55f}, t);
      b.box({x - 0.05f, -0.4f, z - 0.55f}, {x + 0.05f, -0.3f, z + 0.55f}, t);
      b.box({x - 0.05f, -0.4f, z - 0.55f}, {x + 0.05f, 0.45f, z - 0.45f}, t);
      b.box({x - 0.05f, -0.4f, z + 0.45f}, {x + 0.05f, 0.45f, z + 0.55f}, t);
      b.box({x - 0.05f, -0.4f, z - 0.04f}, {x + 0.05f, 0.45f, z + 0.04f}, t);
    }
  }
  return b.take();
}

MeshData chamfered(Vec3f low, Vec3f high) {
  MeshBuilder b(kRoomScale);
  b.chamferedBox(low, high, 0.06f, 1.2f);
  return b.take();
}

// A screen facing the camera's post: u to the viewer's right, v up, 0..1.
MeshData screen(Vec3f corner, Vec3f across, Vec3f up) {
  MeshBuilder b(kRoomScale);
  b.panel(corner, across, up, 1, 1);
  return b.take();
}

}  // namespace

std::vector<NamedMesh> buildHouseMeshes() {
  std::vector<NamedMesh> meshes;
  meshes.push_back({"talo", house()});
  meshes.push_back({"ChamferBo0", chamfered({1.2f, kFloor, 0.5f}, {1.9f, kFloor + 0.7f, 1.2f})});
  meshes.push_back({"ChamferBo1", chamfered({1.0f, kFloor, -1.6f}, {1.5f, kFloor + 0.5f, -1.1f})});
  meshes.push_back({"ChamferBo2", chamfered({-2.2f, kFloor, 1.0f}, {-1.4f, kFloor + 0.8f, 1.8f})});
  meshes.push_back({"ChamferBox", chamfered({-1.9f, kFloor, -2.0f}, {-1.3f, kFloor + 1.2f, -1.4f})});
  // On the +z and -z walls at eye height, low on the +x wall (seen from
  // above) and leaning out of the -x wall (seen from below).
  meshes.push_back({"screen00", screen({-0.8f, -0.65f, 3.1f}, {1.6f, 0, 0}, {0, 1.2f, 0})});
  meshes.push_back({"screen01", screen({0.8f, -0.65f, -3.1f}, {-1.6f, 0, 0}, {0, 1.2f, 0})});
  meshes.push_back({"screen02", screen({3.1f, -0.75f, 0.8f}, {0, 0, -1.6f}, {0, 1.2f, 0})});
  meshes.push_back({"screen03", screen({-3.1f, 0.0f, -0.8f}, {0, 0, 1.6f}, {0.3f, 1.2f, 0})});
  return meshes;
}
