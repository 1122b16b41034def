// The five sculptures. Each stands on the floor height shared by the room
// and the island, at its place on the island (the room turns them).
#include <cmath>

#include "content/content_meshes.h"
#include "content/mesh_builder.h"

namespace {

constexpr float kBase = kFloorHeight;
constexpr float kUv = 0.8f;  // texture repeats per metre on the sculptures

// "The big man": a tall standing figure, arms at its sides.
MeshData bigMan(Vec3f at) {
  MeshBuilder b(kRoomScale);
  const float s = 1.25f;  // the figure is about 2.4 m tall
  auto p = [&](float x, float y, float z) { return at + Vec3f{x * s, kBase + y * s, z * s}; };
  b.tube(p(-0.13f, 0, 0), p(-0.11f, 0.85f, 0), 0.09f * s, 0.11f * s, 10, kUv);  // legs
  b.tube(p(0.13f, 0, 0), p(0.11f, 0.85f, 0), 0.09f * s, 0.11f * s, 10, kUv);
  b.sphere(p(-0.13f, 0.03f, 0.05f), {0.08f * s, 0.05f * s, 0.14f * s}, 6, 10, kUv);  // feet
  b.sphere(p(0.13f, 0.03f, 0.05f), {0.08f * s, 0.05f * s, 0.14f * s}, 6, 10, kUv);
  b.lathe(p(0, 0, 0),
          {{0.0f, 0.8f * s}, {0.22f * s, 0.82f * s}, {0.24f * s, 1.0f * s}, {0.2f * s, 1.15f * s},
           {0.27f * s, 1.42f * s}, {0.25f * s, 1.52f * s}, {0.08f * s, 1.6f * s}, {0.0f, 1.6f * s}},
          16, 1.0f, kUv);  // torso
  b.sphere(p(-0.28f, 1.48f, 0), {0.09f * s, 0.09f * s, 0.09f * s}, 6, 10, kUv);  // shoulders
  b.sphere(p(0.28f, 1.48f, 0), {0.09f * s, 0.09f * s, 0.09f * s}, 6, 10, kUv);
  b.tube(p(-0.3f, 1.46f, 0), p(-0.36f, 0.82f, 0.04f), 0.07f * s, 0.055f * s, 10, kUv);  // arms
  b.tube(p(0.3f, 1.46f, 0), p(0.36f, 0.82f, 0.04f), 0.07f * s, 0.055f * s, 10, kUv);
  b.sphere(p(-0.37f, 0.76f, 0.04f), {0.06f * s, 0.08f * s, 0.06f * s}, 6, 8, kUv);  // hands
  b.sphere(p(0.37f, 0.76f, 0.04f), {0.06f * s, 0.08f * s, 0.06f * s}, 6, 8, kUv);
  b.tube(p(0, 1.58f, 0), p(0, 1.68f, 0), 0.06f * s, 0.06f * s, 10, kUv);  // neck
  b.sphere(p(0, 1.8f, 0), {0.12f * s, 0.15f * s, 0.13f * s}, 10, 14, kUv);  // head
  return b.take();
}

// "The ring": two crossed rings (an armillary) with a glass core, on a
// turned pedestal.
MeshData rings(Vec3f at) {
  MeshBuilder b(kRoomScale);
  const Vec3f centre = at + Vec3f{0, kBase + 1.25f, 0};
  b.lathe(at + Vec3f{0, kBase, 0},
          {{0.0f, 0.0f}, {0.32f, 0.0f}, {0.32f, 0.08f}, {0.2f, 0.14f}, {0.09f, 0.3f},
           {0.07f, 0.45f}, {0.12f, 0.5f}, {0.0f, 0.52f}},
          18, 1.0f, kUv);
  b.torus(centre, {0.6f, 0, 0.8f}, 0.7f, 0.06f, 40, 10, kUv);
  b.torus(centre, {0.8f, 0, -0.6f}, 0.62f, 0.05f, 40, 10, kUv);
  b.torus(centre, {0, 1, 0}, 0.55f, 0.045f, 36, 8, kUv);
  b.sphere(centre, {0.2f, 0.2f, 0.2f}, 10, 14, kUv);
  b.tube(at + Vec3f{0, kBase + 0.5f, 0}, centre - Vec3f{0, 0.2f, 0}, 0.04f, 0.03f, 8, kUv);
  return b.take();
}

// "The devil": a robed figure with horns, a pointed beard and a trident.
MeshData devil(Vec3f at) {
  MeshBuilder b(kRoomScale);
  auto p = [&](float x, float y, float z) { return at + Vec3f{x, kBase + y, z}; };
  b.lathe(p(0, 0, 0),
          {{0.0f, 0.0f}, {0.42f, 0.0f}, {0.38f, 0.3f}, {0.26f, 0.9f}, {0.22f, 1.2f},
           {0.3f, 1.38f}, {0.18f, 1.5f}, {0.0f, 1.52f}},
          18, 1.0f, kUv);  // robe
  b.sphere(p(0, 1.68f, 0), {0.15f, 0.18f, 0.16f}, 10, 14, kUv);  // head
  b.tube(p(0, 1.56f, 0.09f), p(0, 1.4f, 0.15f), 0.06f, 0.005f, 8, kUv);  // beard
  for (float side : {-1.0f, 1.0f}) {
    const Vec3f root = p(side * 0.09f, 1.8f, 0);
    const Vec3f bend = p(side * 0.2f, 1.93f, -0.02f);
    b.tube(root, bend, 0.045f, 0.03f, 8, kUv);  // horns, curving up
    b.tube(bend, p(side * 0.19f, 2.1f, 0.02f), 0.03f, 0.004f, 8, kUv);
    b.tube(p(side * 0.28f, 1.38f, 0), p(side * 0.42f, 1.0f, 0.1f), 0.06f, 0.05f, 8, kUv);  // arms
  }
  // The trident in the right hand.
  const float tx = 0.45f;
  b.tube(p(tx, 0.0f, 0.12f), p(tx, 2.15f, 0.12f), 0.025f, 0.025f, 8, kUv);
  b.tube(p(tx - 0.14f, 2.15f, 0.12f), p(tx + 0.14f, 2.15f, 0.12f), 0.025f, 0.025f, 8, kUv);
  for (float dx : {-0.14f, 0.0f, 0.14f})
    b.tube(p(tx + dx, 2.15f, 0.12f), p(tx + dx, 2.4f, 0.12f), 0.025f, 0.003f, 8, kUv);
  return b.take();
}

// A glass tree: a tapering trunk with two branches under faceted crowns.
MeshData glassTree(Vec3f at) {
  MeshBuilder b(kRoomScale);
  auto p = [&](float x, float y, float z) { return at + Vec3f{x, kBase + y, z}; };
  b.lathe(p(0, 0, 0), {{0.0f, 0.0f}, {0.25f, 0.0f}, {0.14f, 0.15f}, {0.1f, 1.2f}, {0.0f, 1.25f}},
          12, 1.0f, kUv);
  b.tube(p(0, 0.9f, 0), p(0.45f, 1.5f, 0.1f), 0.07f, 0.04f, 8, kUv);
  b.tube(p(0, 1.0f, 0), p(-0.35f, 1.65f, -0.2f), 0.07f, 0.04f, 8, kUv);
  b.tube(p(0, 1.1f, 0), p(0.05f, 1.9f, 0.05f), 0.08f, 0.05f, 8, kUv);
  // Faceted crowns: low-resolution spheres read as cut glass.
  b.sphere(p(0.05f, 2.05f, 0.05f), {0.42f, 0.36f, 0.42f}, 5, 7, kUv);
  b.sphere(p(0.5f, 1.6f, 0.1f), {0.3f, 0.26f, 0.3f}, 5, 6, kUv);
  b.sphere(p(-0.4f, 1.75f, -0.22f), {0.32f, 0.28f, 0.32f}, 5, 6, kUv);
  return b.take();
}

// "Freedom": a figure on a pedestal raising a torch.
MeshData freedom(Vec3f at) {
  MeshBuilder b(kRoomScale);
  auto p = [&](float x, float y, float z) { return at + Vec3f{x, kBase + y, z}; };
  b.box(p(-0.35f, 0, -0.35f), p(0.35f, 0.5f, 0.35f), kUv);  // pedestal
  b.box(p(-0.42f, 0, -0.42f), p(0.42f, 0.12f, 0.42f), kUv);
  b.lathe(p(0, 0.5f, 0),
          {{0.0f, 0.0f}, {0.3f, 0.0f}, {0.24f, 0.5f}, {0.17f, 1.1f}, {0.2f, 1.3f},
           {0.1f, 1.42f}, {0.0f, 1.43f}},
          16, 1.0f, kUv);  // robe
  b.sphere(p(0, 2.05f, 0), {0.12f, 0.15f, 0.13f}, 8, 12, kUv);  // head
  for (int i = 0; i < 7; ++i) {  // crown of rays
    const float a = -1.2f + 0.4f * float(i);
    b.tube(p(0.1f * std::sin(a), 2.15f, -0.1f * std::cos(a)),
           p(0.3f * std::sin(a), 2.3f, -0.3f * std::cos(a) * 0.6f), 0.02f, 0.003f, 6, kUv);
  }
  b.tube(p(0.16f, 1.85f, 0), p(0.3f, 2.6f, 0.05f), 0.055f, 0.045f, 8, kUv);  // raised arm
  b.tube(p(0.3f, 2.55f, 0.05f), p(0.33f, 2.85f, 0.05f), 0.04f, 0.07f, 8, kUv);  // torch
  b.sphere(p(0.33f, 2.98f, 0.05f), {0.09f, 0.16f, 0.09f}, 8, 10, kUv);  // flame
  b.tube(p(-0.16f, 1.8f, 0), p(-0.3f, 1.25f, 0.12f), 0.05f, 0.045f, 8, kUv);  // arm with tablet
  b.box(p(-0.42f, 1.05f, 0.05f), p(-0.22f, 1.4f, 0.2f), kUv);
  return b.take();
}

}  // namespace

std::vector<NamedMesh> buildSculptureMeshes() {
  // Places on the island (x, z); the room turns them by 1.7 radians, which
  // puts them at about (1.45, 1.83), (-1.63, 1.42) and (0.0, 2.32).
  std::vector<NamedMesh> meshes;
  meshes.push_back({"isomies", bigMan({-2.0f, 0, 1.2f})});
  meshes.push_back({"imkeha", rings({-1.2f, 0, -1.8f})});
  meshes.push_back({"piru", devil({-2.3f, 0, -0.3f})});
  meshes.push_back({"AK", glassTree({-0.6f, 0, 0.3f})});
  meshes.push_back({"vapaus", freedom({-0.1f, 0, -0.7f})});
  return meshes;
}
