#include "app/run_reset.h"

#include "app/shell.h"
#include "app/timeline_state.h"
#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "codec/texture_building.h"
#include "render/screen_quad.h"
#include "scenes/scene_state.h"

void releasePresentationRun() {
  releaseMeshTable();
  releaseBuiltTextures();
  releaseScreenQuad();
  releaseLoadedFiles();
  resetShell();
  resetTimeline();
  sceneState = SceneState{};
}
