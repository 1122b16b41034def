// The one-time set-up over a small generated data set on the traced software
// device: the textures and the 24 mesh builds with their factors. (The
// projection shows in every golden frame of the capture tests.)
#include <gtest/gtest.h>

#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "assets/presentation_setup.h"
#include "codec/texture_building.h"
#include "platform/os/message_box.h"
#include "support/mesh_slots.h"
#include "support/small_data_set.h"
#include "support/traced_device.h"

namespace {

MeshVertex firstVertex(int slot) { return meshSlotVertices(slot).at(0); }

class PresentationSetupTest : public testing::Test {
 protected:
  void SetUp() override {
    setMessageBoxObserver([](const std::string& caption, const std::string& text) {
      ADD_FAILURE() << "box " << caption << ": " << text;
    });
    releaseLoadedFiles();
    releaseMeshTable();
    std::string error;
    ASSERT_TRUE(writeSmallDataSet(".", &error)) << error;
    ASSERT_EQ(loadAllFiles(), 1);
    ASSERT_TRUE(traced.ok());
    setUpPresentation();
  }
  void TearDown() override {
    releaseMeshTable();
    releaseBuiltTextures();
    releaseLoadedFiles();
    setMessageBoxObserver({});
  }

  ScopedWorkingDirectory workingDirectory;
  ScopedTracedDevice traced;
};

}  // namespace

TEST_F(PresentationSetupTest, BuildsTheTexturesAndTwentyFourMeshesWithTheirFactors) {
  for (int slot = 0; slot < kTextureSlotCount; ++slot) EXPECT_NE(textureSlots[slot], nullptr) << slot;
  for (const TexturePair& pair : streamingPairs) {
    EXPECT_NE(pair.systemTexture, nullptr);
    EXPECT_NE(pair.deviceTexture, nullptr);
  }
  for (int slot = 0; slot < kMeshSlotCount; ++slot) {
    const bool unused = slot == 7 || slot == 8 || slot == 9 || slot == 18 || slot == 19;
    EXPECT_EQ(meshSlots[slot].vertexBuffer == nullptr, unused) << slot;
    if (!unused) {
      EXPECT_EQ(meshSlots[slot].file, meshFiles[slot]) << slot;
    }
  }
  EXPECT_FALSE(planarTexcoords);

  // Every small mesh's first vertex has texture coordinate (0.25, 0.75) and
  // normal (0, 0, 1); positions are never scaled. vapaus (slot 11) takes
  // 0.01 × position x, y whatever its file holds.
  const struct {
    int slot;
    float u, v, nz;
  } firstVertices[] = {{0, 0.5f, 1.5f, 0.05f},    {12, 0.25f, -0.75f, 0.5f}, {6, 0.25f, 0.75f, 0.05f},
                       {3, 0.25f, -0.75f, 0.05f}, {11, 0.01f * firstVertex(11).x, -0.5f, 0.5f}};
  for (const auto& expected : firstVertices) {
    const MeshVertex v = firstVertex(expected.slot);
    EXPECT_FLOAT_EQ(v.u, expected.u) << expected.slot;
    EXPECT_FLOAT_EQ(v.v, expected.v) << expected.slot;
    EXPECT_FLOAT_EQ(v.nz, expected.nz) << expected.slot;
  }
  EXPECT_EQ(firstVertex(0).x, firstVertex(12).x);
  EXPECT_EQ(firstVertex(0).y, -50.0f);
}
