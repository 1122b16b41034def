// One-time set-up after the device exists: projection, screen quad,
// streaming textures, the eleven still textures and the 24 meshes.
// Main thread only, once, before the music starts.
#pragma once

constexpr int kMeshBuildCount = 24;

// One mesh build of the set-up, in build order.
struct MeshBuild {
  int slot;
  float normalScale;        // the same factor for x, y and z
  float texcoordScaleU;
  float texcoordScaleV;
  bool planar;              // texture coordinates from position x, y
};
extern const MeshBuild kMeshBuilds[kMeshBuildCount];

// Runs every step whatever an earlier one gave; nothing is reported.
void setUpPresentation();
