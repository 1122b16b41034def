// The mesh converter (OBJ import) and the mesh file summary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "assets/mesh_file.h"
#include "common/mesh_report.h"
#include "common/mesh_writer.h"
#include "common/obj_import.h"

namespace {

// A unit square as one quad face plus a triangle sharing two of its corners.
constexpr const char* kSquareObj = R"(# square
mtllib none.mtl
o square
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0 1.0
vt 0 0
vt 1 0
vt 1 1
vt 0 1 0
vn 0 0 -1
s off
f 1/1/1 2/2/1 3/3/1 4/4/1
f -4/-4/-1 -2/-2/-1 -1/-1/-1
)";

}  // namespace

TEST(ObjImport, SplitsPolygonsAsFansAndSharesRepeatedCorners) {
  MeshData mesh;
  std::string error;
  ASSERT_TRUE(importObj(kSquareObj, &mesh, &error)) << error;
  // Four distinct corners; the second face reuses three of them.
  EXPECT_EQ(mesh.positions.size(), 12u);
  EXPECT_EQ(mesh.texcoords.size(), 8u);
  EXPECT_EQ(mesh.normals.size(), 12u);
  const std::vector<std::uint16_t> expected = {0, 1, 2, 0, 2, 3, 0, 2, 3};
  EXPECT_EQ(mesh.indices, expected);
  EXPECT_EQ(mesh.texcoords[7], 1.0f);  // corner 4's (0, 1), its optional w dropped
  EXPECT_TRUE(checkMeshData(mesh, nullptr));
}

TEST(ObjImport, RefusesWhatItCannotConvertWithTheLine) {
  struct Case {
    const char* obj;
    const char* expected;
  };
  const Case cases[] = {
      {"v 0 0 nan\n", "line 1: vertex position is not a finite number"},
      {"vt inf 0\n", "line 1: texture coordinate is not a finite number"},
      {"vn 0 -inf 0\n", "line 1: normal is not a finite number"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 2\n", "line 4: degenerate face"},        // repeated corner
      {"v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nf 1 2 3 4\n", "line 5: degenerate face"},  // collinear fan part
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nf 1 2 4\n", "line 5: degenerate face"},  // same point twice
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/ 2/ 3/\n", "line 4"},                  // empty texcoord
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1// 2// 3//\n", "line 4"},               // empty normal
      {"v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 1/1/1\n", "line 4"},         // v 2 missing
      {"v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 -2/1/1 1/1/1\n", "line 4"},        // before the first
      {"v 0 0 0\nvt 0 0\nvn 0 0 1\nf 0/1/1 1/1/1 1/1/1\n", "line 4"},         // 0 is no index
      {"v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1\n", "line 4"},               // two corners
      {"v 0 zero 0\n", "line 1"},
      {"vn 0 0\n", "line 1"},
      {"v 0 0 0\n", "no faces"},
  };
  for (const Case& c : cases) {
    MeshData mesh;
    std::string error;
    EXPECT_FALSE(importObj(c.obj, &mesh, &error)) << c.obj;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.obj << " -> " << error;
  }
}

// Faces as many OBJ files write them: positions only, or positions and
// normals. Face A (z = 0) has twice the area of face B (y = 0); they share
// corners 1 and 2.
TEST(ObjImport, FillsInAreaWeightedNormalsAndPlanarTextureCoordinates) {
  MeshData mesh;
  std::string error;
  ASSERT_TRUE(importObj("v 0 0 0\nv 2 0 0\nv 0 2 0\nv 0 0 1\nvn 1 0 0\nf 1 2 3\nf 1//1 4//1 2//1\n", &mesh, &error))
      << error;
  ASSERT_TRUE(checkMeshData(mesh, &error)) << error;
  // Vertices 0..2 are face A's corners, 3..5 face B's with the written normal.
  const float a = 2 / std::sqrt(5.0f), b = 1 / std::sqrt(5.0f);
  const std::vector<float> expectedNormals = {0, b, a, 0, b, a, 0, 0, 1, 1, 0, 0, 1, 0, 0, 1, 0, 0};
  ASSERT_EQ(mesh.normals.size(), expectedNormals.size());
  for (std::size_t i = 0; i < expectedNormals.size(); ++i) EXPECT_NEAR(mesh.normals[i], expectedNormals[i], 1e-6) << i;
  // Planar coordinates over x (0..2) and y (0..2), the two widest axes.
  EXPECT_EQ(mesh.texcoords, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0}));
}

TEST(ObjImport, RefusesMoreVerticesThanSixteenBitIndicesReach) {
  std::string obj = "vt 0 0\nvn 0 0 1\n";
  for (int i = 0; i < 65537 + 2; ++i) obj += "v " + std::to_string(i) + " " + std::to_string(i % 2) + " 0\n";
  for (int i = 1; i + 2 <= 65537 + 2; i += 3) {
    obj += "f " + std::to_string(i) + "/1/1 " + std::to_string(i + 1) + "/1/1 " +
           std::to_string(i + 2) + "/1/1\n";
  }
  MeshData mesh;
  std::string error;
  EXPECT_FALSE(importObj(obj, &mesh, &error));
  EXPECT_NE(error.find("65536"), std::string::npos) << error;
}

TEST(MeshReport, SummarisesASoundFileAndNamesTheFaultOfABadOne) {
  MeshData mesh;
  ASSERT_TRUE(importObj(kSquareObj, &mesh, nullptr));
  std::vector<std::uint8_t> file = encodeMeshFile(mesh);
  bool sound = false;
  std::string report = describeMeshFile(file.data(), file.size(), &sound);
  EXPECT_TRUE(sound);
  EXPECT_NE(report.find("triangles: 3\n"), std::string::npos) << report;
  EXPECT_NE(report.find("normal length 1 .. 1\n"), std::string::npos) << report;

  // Unsound files name their fault: one byte short, a triangle without area
  // (the file loads, but is not called sound), a position that is not a
  // finite number, no header.
  const float nan = std::nanf("");
  MeshData flat = mesh;
  flat.indices[2] = flat.indices[1];
  std::vector<std::uint8_t> shortFile = file, nanFile = file;
  shortFile.pop_back();
  std::memcpy(nanFile.data() + kMeshHeaderSize + 4, &nan, sizeof nan);
  const std::pair<std::vector<std::uint8_t>, const char*> unsound[] = {
      {shortFile, "malformed:"},
      {encodeMeshFile(flat), "degenerate triangles: 1\n"},
      {nanFile, "position 0 is not a finite number"},
      {{1, 2, 3}, "header"},
  };
  for (const auto& [bytes, fault] : unsound) {
    sound = true;
    report = describeMeshFile(bytes.data(), bytes.size(), &sound);
    EXPECT_FALSE(sound) << fault;
    EXPECT_NE(report.find(fault), std::string::npos) << report;
  }
}
