// The one-time set-up: fixes the projection for the run, creates the
// textures the scenes refill, builds the still textures and the meshes.
#include "assets/presentation_setup.h"

#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "codec/texture_building.h"
#include "render/device.h"
#include "render/math3d.h"

// The first eight builds scale normals by 0.05, the rest by 0.5. The meshes
// loaded twice (slots 0/12, 1/14, 6/13) get different factors in each slot.
const MeshBuild kMeshBuilds[kMeshBuildCount] = {
    {0, 0.05f, 2.0f, 2.0f, false},   {1, 0.05f, 2.0f, 2.0f, false},
    {2, 0.05f, 1.0f, 1.0f, false},   {6, 0.05f, 1.0f, 1.0f, false},
    {3, 0.05f, 1.0f, -1.0f, false},  {4, 0.05f, 1.0f, -1.0f, false},
    {5, 0.05f, 1.0f, -1.0f, false},  {10, 0.05f, 1.0f, 1.0f, false},
    {11, 0.5f, 0.01f, 0.01f, true},  {12, 0.5f, 1.0f, -1.0f, false},
    {13, 0.5f, 1.0f, -1.0f, false},  {14, 0.5f, 1.0f, -1.0f, false},
    {15, 0.5f, 1.0f, -1.0f, false},  {16, 0.5f, 1.0f, -1.0f, false},
    {17, 0.5f, 1.0f, -1.0f, false},  {20, 0.5f, 1.0f, -1.0f, false},
    {21, 0.5f, 1.0f, -1.0f, false},  {22, 0.5f, 1.0f, -1.0f, false},
    {23, 0.5f, 1.0f, -1.0f, false},  {24, 0.5f, 1.0f, -1.0f, false},
    {25, 0.5f, 1.0f, -1.0f, false},  {26, 0.5f, 1.0f, -1.0f, false},
    {27, 0.5f, 1.0f, -1.0f, false},  {28, 0.5f, 1.0f, -1.0f, false},
};

namespace {

constexpr float kFieldOfView = 0.7853982f;  // pi/4, vertical
constexpr float kAspect = 4.0f / 3.0f;
constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 100.0f;
constexpr int kTitleCardSlot = 7;   // colour from tex.dat, alpha from alpha.dat
constexpr int kTitleCardAlphaImage = 1;

}  // namespace

void setUpPresentation() {
  if (device == nullptr) return;

  Mat4 projection;
  mat4PerspectiveLH(&projection, kFieldOfView, kAspect, kNearPlane, kFarPlane);
  device->SetTransform(D3DTS_PROJECTION, &projection);

  // The screen quad and the three streaming pairs; the scenes cope with a
  // missing texture, so the result is not looked at.
  createStreamingTextures();

  // Without the main container there is nothing to build the textures from.
  for (int slot = 0; slot < kTextureSlotCount && dataFiles[0] != nullptr; ++slot) {
    if (slot == kTitleCardSlot && dataFiles[1] != nullptr) {
      buildImageTextureWithAlpha(&textureSlots[slot], dataFiles[0], slot, dataFiles[1],
                                 kTitleCardAlphaImage);
    } else {
      buildImageTexture(&textureSlots[slot], dataFiles[0], slot);
    }
  }

  for (const MeshBuild& build : kMeshBuilds) {
    planarTexcoords = build.planar;
    buildMesh(meshFiles[build.slot], meshFileSizes[build.slot], build.slot, 1.0f, 1.0f, 1.0f,
              build.normalScale, build.normalScale, build.normalScale, build.texcoordScaleU,
              build.texcoordScaleV);
    planarTexcoords = false;
  }
}
