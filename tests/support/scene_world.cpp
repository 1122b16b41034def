#include "support/scene_world.h"

#include <string>

#include "app/timeline.h"
#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "codec/colour_table.h"
#include "codec/texture_building.h"
#include "common/mesh_writer.h"
#include "common/picture.h"
#include "encoder/image_encoder.h"
#include "render/device.h"
#include "render/screen_quad.h"
#include "scenes/scene_state.h"

namespace {
constexpr int kPictureSize = 128;
// Every mesh slot some scene draws.
constexpr int kDrawnMeshSlots[] = {0,  1,  2,  5,  6,  10, 11, 12, 13, 14, 15, 16,
                                   17, 20, 21, 22, 23, 24, 25, 26, 27, 28};

Picture flatPicture(int channels, std::uint8_t grey) {
  Picture picture;
  picture.width = kPictureSize;
  picture.height = kPictureSize;
  picture.channels = channels;
  picture.pixels.assign(static_cast<std::size_t>(kPictureSize) * kPictureSize * channels, grey);
  return picture;
}

std::vector<std::uint8_t> containerOf(const std::vector<Picture>& pictures) {
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const Picture& picture : pictures) {
    std::vector<std::uint8_t> block;
    std::string error;
    encodeImage(picture, &block, &error);
    blocks.push_back(std::move(block));
  }
  return packContainer(blocks);
}

// A unit quad of two triangles facing -z.
MeshData quadMesh() {
  MeshData mesh;
  mesh.positions = {-10, 25, 0, 10, 25, 0, 10, 45, 0, -10, 45, 0};
  mesh.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1};
  mesh.texcoords = {0, 1, 1, 1, 1, 0, 0, 0};
  mesh.indices = {0, 2, 1, 0, 3, 2};
  return mesh;
}
}  // namespace

SceneWorld::SceneWorld(IDirect3DDevice8* testDevice, int pictureFrames, bool buildMeshes)
    : previousDevice_(device) {
  device = testDevice;
  initImageCodec();
  sceneState = SceneState{};
  frameStep = 0.0f;
  clock.install();

  std::vector<Picture> frames;
  for (int k = 0; k < pictureFrames; ++k) frames.push_back(flatPicture(3, pictureGrey(k)));
  picture_ = containerOf(frames);
  mask_ = containerOf({flatPicture(1, 200)});
  for (int i = 0; i < 4; ++i) previousData_[i] = dataFiles[i];
  dataFiles[2] = picture_.data();
  dataFiles[3] = mask_.data();

  createStreamingTextures();
  for (IDirect3DTexture8*& slot : textureSlots) {
    device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &slot);
  }
  if (buildMeshes) {
    const std::vector<std::uint8_t> file = encodeMeshFile(quadMesh());
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
