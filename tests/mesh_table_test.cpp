// Building meshes into the table (factors, planar coordinates, packed odd
// layouts, refusals) and drawing them, checked on the software device
// through its call trace.
#include <gtest/gtest.h>

#include <algorithm>

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
  const MeshSlot& slot = meshSlots[3];
  EXPECT_EQ(slot.file, file.data());
  EXPECT_EQ(slot.vertexCount, 3);
  EXPECT_EQ(slot.triangleCount, 1);
  EXPECT_EQ(slot.texcoordCount, 3);

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

TEST_F(MeshTableTest, PlanarTexcoordsComeFromUnscaledPositionXAndY) {
  const auto file = encodeMeshFile(oddMesh());
  planarTexcoords = true;
  ASSERT_EQ(build(file, 11, 7.0f, 0.5f, 0.01f, 0.01f), 1);
  planarTexcoords = false;
  const auto v = meshSlotVertices(11);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_FLOAT_EQ(v[0].u, 2.0f);
  EXPECT_FLOAT_EQ(v[0].v, -0.5f);
  EXPECT_FLOAT_EQ(v[0].x, 1400.0f);
  // The file's own coordinates are ignored.
  EXPECT_FLOAT_EQ(v[1].u, 0.01f);
  EXPECT_FLOAT_EQ(v[1].v, 0.02f);
}

TEST_F(MeshTableTest, EqualFilesInTwoSlotsGiveIndependentBuffers) {
  const auto first = encodeMeshFile(evenMesh());
  const auto second = first;
  ASSERT_EQ(build(first, 0, 1.0f, 0.05f, 2.0f, 2.0f), 1);
  ASSERT_EQ(build(second, 12, 1.0f, 0.5f, 1.0f, -1.0f), 1);
  EXPECT_NE(meshSlots[0].vertexBuffer, meshSlots[12].vertexBuffer);
  EXPECT_NE(meshSlots[0].indexBuffer, meshSlots[12].indexBuffer);
  const auto a = meshSlotVertices(0);
  const auto b = meshSlotVertices(12);
  ASSERT_EQ(a.size(), 4u);
  ASSERT_EQ(b.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(a[k].x, b[k].x);
    EXPECT_EQ(a[k].u, 2 * b[k].u);
    EXPECT_EQ(a[k].v, -2 * b[k].v);
    EXPECT_FLOAT_EQ(a[k].nz, 0.05f);
    EXPECT_FLOAT_EQ(b[k].nz, 0.5f);
  }
}

TEST_F(MeshTableTest, DrawMeshIssuesFourCallsOverTheFileTriangles) {
  const auto file = encodeMeshFile(evenMesh());
  ASSERT_EQ(build(file, 20, 1.0f, 0.5f, 1.0f, -1.0f), 1);
  // The build: one vertex buffer of 4 × 32 bytes, one index buffer of 12.
  for (const char* call : {"CreateVertexBuffer(128,", "CreateIndexBuffer(12,"}) {
    EXPECT_TRUE(std::any_of(traced.lines.begin(), traced.lines.end(),
                            [call](const std::string& line) { return line.rfind(call, 0) == 0; })) << call;
  }
  EXPECT_EQ(meshSlotIndices(20), (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3}));

  traced.get()->BeginScene();
  traced.lines.clear();
  drawMesh(20);
  traced.get()->EndScene();
  traced.lines.pop_back();
  ASSERT_EQ(traced.lines.size(), 4u);
  EXPECT_EQ(traced.lines[0].rfind("SetVertexShader(", 0), 0u) << traced.lines[0];
  EXPECT_NE(traced.lines[0].find("XYZ"), std::string::npos) << traced.lines[0];
  EXPECT_EQ(traced.lines[1].rfind("SetIndices(ib#", 0), 0u) << traced.lines[1];
  EXPECT_NE(traced.lines[1].find(", 0)"), std::string::npos) << traced.lines[1];
  EXPECT_EQ(traced.lines[2].rfind("SetStreamSource(0, vb#", 0), 0u) << traced.lines[2];
  EXPECT_NE(traced.lines[2].find(", 32)"), std::string::npos) << traced.lines[2];
  EXPECT_EQ(traced.lines[3], "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2)");
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
