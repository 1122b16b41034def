#include "support/scene_world.h"

#include <string>

#include "app/timeline.h"
#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "codec/colour_table.h"
#include "codec/texture_building.h"
#include "render/device.h"
#include "render/screen_quad.h"
#include "scenes/scene_state.h"
#include "support/small_data_set.h"

SceneWorld::SceneWorld(IDirect3DDevice8* testDevice, int pictureFrames, bool buildMeshes)
    : previousDevice_(device) {
  device = testDevice;
  initImageCodec();
  sceneState = SceneState{};
  frameStep = 0.0f;
  clock_.install();

  std::vector<Picture> frames;
  for (int k = 0; k < pictureFrames; ++k) frames.push_back(gradientPicture(128, 128, 3, k));
  picture_ = containerOf(frames);
  mask_ = containerOf({gradientPicture(128, 128, 1, 0)});
  for (int i = 0; i < 4; ++i) previousData_[i] = dataFiles[i];
  dataFiles[2] = picture_.data();
  dataFiles[3] = mask_.data();

  createStreamingTextures();
  for (IDirect3DTexture8*& slot : textureSlots) {
    device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &slot);
  }
  if (buildMeshes) {
    const std::vector<std::uint8_t> file = encodeMeshFile(smallMesh(0));
    for (int slot : kDrawnMeshSlots) {
      meshes_.push_back(file);
      buildMesh(meshes_.back().data(), meshes_.back().size(), slot, 1, 1, 1, 1, 1, 1, 1, 1);
    }
  }
}

SceneWorld::~SceneWorld() {
  releaseMeshTable();
  releaseBuiltTextures();
  releaseScreenQuad();
  for (int i = 0; i < 4; ++i) dataFiles[i] = previousData_[i];
  setClockSource({});
  frameStep = 0.0f;
  device = previousDevice_;
}

void SceneWorld::frame(void (*scene)(), float delta) {
  frameStep = delta;
  device->BeginScene();
  scene();
  device->EndScene();
}
