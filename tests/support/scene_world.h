// A small, complete world for running the scene routines in tests: the
// animated picture and its mask as in-memory containers, the streaming pairs
// and screen quad made on the test's device, eleven still textures in the
// texture slots, optionally the meshes of every slot the scenes draw, a
// virtual millisecond clock and a fresh scene state. Everything is put back
// when the world goes away.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/os/clock.h"

// Every mesh slot some scene draws, in the order the world builds them.
inline constexpr int kDrawnMeshSlots[] = {0,  1,  2,  5,  6,  10, 11, 12, 13, 14, 15,
                                          16, 17, 20, 21, 22, 23, 24, 25, 26, 27, 28};

class SceneWorld {
 public:
  // `testDevice` becomes the process-wide device for the world's lifetime.
  // The picture container holds `pictureFrames` frames of 128 x 128, each
  // a gradient of its own. With `buildMeshes` every mesh slot a scene draws
  // gets a small quad mesh (it needs a device that makes index buffers).
  SceneWorld(IDirect3DDevice8* testDevice, int pictureFrames, bool buildMeshes);
  ~SceneWorld();
  SceneWorld(const SceneWorld&) = delete;
  SceneWorld& operator=(const SceneWorld&) = delete;

  // Runs one frame of `scene` with frame step `delta`, between BeginScene
  // and EndScene.
  void frame(void (*scene)(), float delta);


 private:
  VirtualClock clock_;
  IDirect3DDevice8* previousDevice_;
  unsigned char* previousData_[4];
  std::vector<std::uint8_t> picture_;
  std::vector<std::uint8_t> mask_;
  std::vector<std::vector<std::uint8_t>> meshes_;
};
