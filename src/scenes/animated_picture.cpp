#include "scenes/animated_picture.h"

#include "app/timeline.h"
#include "assets/file_loading.h"
#include "codec/image_decoder.h"
#include "codec/texture_building.h"
#include "scenes/scene_state.h"

namespace {
constexpr int kPictureContainer = 2;  // "data\paimen1.dat"
constexpr int kMaskContainer = 3;     // "data\valpha.dat"
}  // namespace

void stepAnimatedPicture(bool withMask) {
  // An index equal to the image count decodes as image 0 (the decoder maps
  // out-of-range indexes there), so frame 0 shows once more before the wrap.
  decodeIntoStreamingPair(dataFiles[kPictureContainer], truncToInt(sceneState.animFrame));
  if (withMask) decodeAlphaIntoStreamingPair(dataFiles[kMaskContainer], 0);
  sceneState.animFrame += 0.5f * frameStep;
  if (truncToInt(sceneState.animFrame) > imageCount(dataFiles[kPictureContainer])) {
    sceneState.animFrame = 0.0f;
  }
  uploadStreamingPair();
}
