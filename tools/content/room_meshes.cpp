// The room set: the room itself and its picture panels.
#include "content/content_meshes.h"
#include "content/mesh_builder.h"

namespace {

constexpr float kHalfWidth = 4.0f;   // x
constexpr float kHalfDepth = 5.0f;   // z
constexpr float kCeiling = 3.0f;
constexpr float kTexturePerMetre = 0.5f;

// The inside of the room: floor, ceiling and walls face inwards; pillars
// along the long walls and beams under the ceiling give it depth.
MeshData room() {
  MeshBuilder b(kRoomScale);
  const float x0 = -kHalfWidth, x1 = kHalfWidth, z0 = -kHalfDepth, z1 = kHalfDepth;
  const float y0 = kFloorHeight, y1 = kCeiling, h = y1 - y0;
  const float t = kTexturePerMetre;
  const int div = 6;
  // Each panel is seen from the inside: u to the viewer's right, v up.
  b.panel({x1, y0, z0}, {-2 * kHalfWidth, 0, 0}, {0, h, 0}, 8 * t, h * t, div);   // z = -5 wall
  b.panel({x0, y0, z1}, {2 * kHalfWidth, 0, 0}, {0, h, 0}, 8 * t, h * t, div);    // z = +5 wall
  b.panel({x0, y0, z0}, {0, 0, 2 * kHalfDepth}, {0, h, 0}, 10 * t, h * t, div);  // x = -4 wall
  b.panel({x1, y0, z1}, {0, 0, -2 * kHalfDepth}, {0, h, 0}, 10 * t, h * t, div); // x = +4 wall
  b.panel({x0, y0, z0}, {2 * kHalfWidth, 0, 0}, {0, 0, 2 * kHalfDepth}, 8 * t, 10 * t, div);  // floor
  b.panel({x0, y1, z1}, {2 * kHalfWidth, 0, 0}, {0, 0, -2 * kHalfDepth}, 8 * t, 10 * t, div); // ceiling

  const float pillarZ[] = {-3.75f, -1.25f, 1.25f, 3.75f};
  for (float z : pillarZ) {
    for (float side : {-1.0f, 1.0f}) {
      const float x = side * (kHalfWidth - 0.2f);
      b.box({x - 0.2f, y0, z - 0.2f}, {x + 0.2f, y1, z + 0.2f}, t);
      b.box({x - 0.3f, y0, z - 0.3f}, {x + 0.3f, y0 + 0.25f, z + 0.3f}, t);  // plinth
    }
    b.box({x0, y1 - 0.3f, z - 0.15f}, {x1, y1, z + 0.15f}, t);  // beam
  }
  // A cornice along the long walls, under the beams.
  for (float side : {-1.0f, 1.0f}) {
    const float x = side * (kHalfWidth - 0.1f);
    b.box({x - 0.1f, y1 - 0.45f, z0}, {x + 0.1f, y1 - 0.3f, z1}, t);
  }
  return b.take();
}

// A picture panel: a 4:3 rectangle seen from the room's centre, texture
// coordinates 0..1 with v up (the presentation mirrors v when it builds it).
MeshData panel(Vec3f corner, Vec3f across, Vec3f up) {
  MeshBuilder b(kRoomScale);
  b.panel(corner, across, up, 1, 1);
  return b.take();
}

}  // namespace

std::vector<NamedMesh> buildRoomMeshes() {
  std::vector<NamedMesh> meshes;
  meshes.push_back({"huone", room()});
  // Panels on the +z wall, the -z wall and (shown) the x = -4 wall between
  // the two middle pillars.
  meshes.push_back({"rectangle0", panel({-1.2f, 0.1f, 4.97f}, {2.0f, 0, 0}, {0, 1.5f, 0})});
  meshes.push_back({"rectangle1", panel({1.2f, 0.1f, -4.97f}, {-2.0f, 0, 0}, {0, 1.5f, 0})});
  meshes.push_back({"rectangle2", panel({-3.97f, 0.1f, -1.0f}, {0, 0, 2.0f}, {0, 1.5f, 0})});
  return meshes;
}
