// Building meshes into the table: factors over a packed odd layout, and the
// refusals that leave nothing to draw. (Planar coordinates and the factors
// of the real table are checked through the presentation's set-up; the draw
// calls through the scenes' call sequences.)
#include <gtest/gtest.h>

#include "assets/mesh_file.h"
#include "assets/mesh_table.h"
#include "common/mesh_writer.h"
#include "support/mesh_slots.h"
#include "support/small_data_set.h"
#include "support/traced_device.h"

namespace {

MeshData oddMesh() { return triangleMesh(); }
MeshData evenMesh() { return smallMesh(0); }  // normals (0, 0, 1), indices 0 1 2 0 2 3

class MeshTableTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(traced.ok());
    releaseMeshTable();
  }
  void TearDown() override { releaseMeshTable(); }

  int build(const std::vector<std::uint8_t>& file, int slot, float p, float n, float u, float v) {
    return buildMesh(file.data(), file.size(), slot, p, p, p, n, n, n, u, v);
  }

  ScopedTracedDevice traced;
};

}  // namespace

TEST_F(MeshTableTest, FactorsScalePositionsNormalsAndTexcoordsIndependently) {
  const auto file = encodeMeshFile(oddMesh());
  ASSERT_EQ(build(file, 3, 2.0f, 0.5f, 1.0f, -1.0f), 1);
  EXPECT_EQ(meshSlots[3].file, file.data());
  const auto v = meshSlotVertices(3);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_FLOAT_EQ(v[0].x, 400.0f);
  EXPECT_FLOAT_EQ(v[0].y, -100.0f);
  EXPECT_FLOAT_EQ(v[0].z, 6.0f);
  // Normal (0, 0, 1) with 0.5 is stored as (0, 0, 0.5), not renormalised.
  EXPECT_EQ(v[0].nz, 0.5f);
  EXPECT_FLOAT_EQ(v[2].nx, 0.3f);
  EXPECT_FLOAT_EQ(v[2].ny, 0.4f);
  // texcoordScale (1, -1) mirrors v.
  EXPECT_EQ(v[0].u, 0.25f);
  EXPECT_EQ(v[0].v, -0.75f);
  EXPECT_EQ(v[1].v, -0.125f);
  EXPECT_EQ(meshSlotIndices(3), (std::vector<std::uint16_t>{2, 0, 1}));
}

TEST_F(MeshTableTest, UnsoundFilesAndBadSlotsLeaveNothingToDraw) {
  auto file = encodeMeshFile(evenMesh());
  auto truncated = file;
  truncated.pop_back();
  EXPECT_EQ(build(truncated, 2, 1, 1, 1, 1), 0);
  auto badIndex = file;
  badIndex[12 + 48] = 4;  // first index -> vertex 4 of 4
  EXPECT_EQ(build(badIndex, 2, 1, 1, 1, 1), 0);
  EXPECT_EQ(buildMesh(nullptr, 0, 2, 1, 1, 1, 1, 1, 1, 1, 1), 0);
  EXPECT_EQ(build(file, 29, 1, 1, 1, 1), 0);
  EXPECT_EQ(build(file, -1, 1, 1, 1, 1), 0);
  EXPECT_EQ(meshSlots[2].vertexBuffer, nullptr);
  EXPECT_EQ(meshSlots[2].file, nullptr);

  // A slot that was built and then rebuilt from a bad file is emptied.
  ASSERT_EQ(build(file, 2, 1, 1, 1, 1), 1);
  EXPECT_EQ(build(truncated, 2, 1, 1, 1, 1), 0);
  EXPECT_EQ(meshSlots[2].indexBuffer, nullptr);

  traced.lines.clear();
  drawMesh(2);
  drawMesh(7);
  drawMesh(-1);
  drawMesh(29);
  EXPECT_TRUE(traced.lines.empty());
}
