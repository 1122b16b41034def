// The one-time set-up over a small generated data set on the traced software
// device: the projection, the textures, and the 24 mesh builds with their
// factors and order.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

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

// (x, y, z, 1) · M, divided by w.
std::array<float, 3> project(const D3DMATRIX& m, float x, float y, float z) {
  const float cx = x * m._11 + y * m._21 + z * m._31 + m._41;
  const float cy = x * m._12 + y * m._22 + z * m._32 + m._42;
  const float cz = x * m._13 + y * m._23 + z * m._33 + m._43;
  const float cw = x * m._14 + y * m._24 + z * m._34 + m._44;
  return {cx / cw, cy / cw, cz / cw};
}

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

TEST_F(PresentationSetupTest, ProjectionIsSetFirstAndMapsTheFrustumEdges) {
  ASSERT_FALSE(traced.lines.empty());
  EXPECT_EQ(traced.lines[0].rfind("SetTransform(D3DTS_PROJECTION", 0), 0u) << traced.lines[0];

  D3DMATRIX m;
  ASSERT_EQ(traced.get()->GetTransform(D3DTS_PROJECTION, &m), D3D_OK);
  // w is the view depth; the near and far planes go to depth 0 and 1 and
  // the 45-degree field of view (4:3) to the clip edges.
  EXPECT_EQ(m._34, 1.0f);
  EXPECT_EQ(m._44, 0.0f);
  const float edge = 100 * std::tan(std::numbers::pi_v<float> / 8);
  EXPECT_NEAR(project(m, 0, 0, 0.1f)[2], 0.0f, 1e-5);
  EXPECT_NEAR(project(m, 0, 0, 100)[2], 1.0f, 1e-5);
  EXPECT_NEAR(project(m, 0, edge, 100)[1], 1.0f, 1e-5);
  EXPECT_NEAR(project(m, edge * 4 / 3, 0, 100)[0], 1.0f, 1e-5);
}

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

TEST_F(PresentationSetupTest, MeshesAreBuiltInTableOrder) {
  // Vertex buffers are named in creation order; drawing each slot shows its name.
  const int order[] = {0, 1, 2, 6, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22, 23, 24, 25, 26, 27, 28};
  traced.get()->BeginScene();
  int previous = -1;
  for (int slot : order) {
    traced.lines.clear();
    drawMesh(slot);
    ASSERT_EQ(traced.lines.size(), 4u) << slot;
    const std::string& line = traced.lines[2];  // SetStreamSource(0, vb#N, 32)
    const std::size_t at = line.find("vb#");
    ASSERT_NE(at, std::string::npos) << line;
    const int number = std::stoi(line.substr(at + 3));
    EXPECT_GT(number, previous) << "slot " << slot;
    previous = number;
  }
  traced.get()->EndScene();
}
