// The mesh file: writer output byte for byte, the packed layout for odd
// triangle counts, and the soundness check on malformed files.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "assets/mesh_file.h"
#include "common/mesh_writer.h"

namespace {

// Two triangles over four vertices (even T) or one over three (odd T).
MeshData quadMesh() {
  MeshData mesh;
  mesh.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  mesh.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh.texcoords = {0, 0, 1, 0, 1, 1, 0, 1};
  mesh.indices = {0, 1, 2, 0, 2, 3};
  return mesh;
}

MeshData triangleMesh() {
  MeshData mesh;
  mesh.positions = {200, -50, 3, 1, 2, 3, 4, 5, 6};
  mesh.normals = {0, 0, 1, 0, 1, 0, 1, 0, 0};
  mesh.texcoords = {0.25f, 0.75f, 0.5f, 0.5f, 1, 1};
  mesh.indices = {2, 0, 1};
  return mesh;
}

void putInt32(std::vector<std::uint8_t>& file, std::size_t at, std::int32_t value) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) file[at + i] = std::uint8_t(bits >> (8 * i));
}

bool check(const std::vector<std::uint8_t>& file, std::string* problem = nullptr) {
  return checkMeshFile(file.data(), file.size(), problem);
}

}  // namespace

TEST(MeshFileLayout, LargestCountsDoNotOverflowAndNegativeOnesAreRefused) {
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  MeshFileLayout layout;
  ASSERT_TRUE(meshFileLayout(big, big, big, &layout, nullptr));
  EXPECT_EQ(layout.size, 12u + (24u + 18u + 8u) * std::size_t(big));

  std::string problem;
  EXPECT_FALSE(meshFileLayout(3, -1, 3, &layout, &problem));
  EXPECT_NE(problem.find("negative"), std::string::npos);
}

TEST(MeshWriter, WritesHeaderArraysAndZeroedUnusedBlockInPlace) {
  const MeshData mesh = triangleMesh();
  const std::vector<std::uint8_t> file = encodeMeshFile(mesh);
  ASSERT_EQ(file.size(), 12u + 24 * 3 + 18 + 8 * 3);
  EXPECT_EQ(readMeshInt32(&file[0]), 3);
  EXPECT_EQ(readMeshInt32(&file[4]), 1);
  EXPECT_EQ(readMeshInt32(&file[8]), 3);
  MeshFileLayout layout;
  ASSERT_TRUE(meshFileLayout(3, 1, 3, &layout, nullptr));
  // Odd T: packed, so the texture coordinates start 2 bytes off a word.
  ASSERT_EQ(layout.texcoords, 12u + 36 + 6);
  EXPECT_EQ(readMeshFloat(&file[layout.positions + 4]), -50.0f);
  EXPECT_EQ(readMeshUint16(&file[layout.indices]), 2);
  EXPECT_EQ(readMeshFloat(&file[layout.texcoords + 4]), 0.75f);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(file[layout.unusedBlock + i], 0) << i;
  EXPECT_EQ(readMeshFloat(&file[layout.normals + 12 * 2]), 1.0f);
  EXPECT_TRUE(check(file));
}

TEST(MeshWriter, RefusesMeshesTheFormatCannotHold) {
  struct Case {
    const char* name;
    void (*spoil)(MeshData&);
  };
  const Case cases[] = {
      {"partial vertex", [](MeshData& m) { m.positions.push_back(1); }},
      {"partial triangle", [](MeshData& m) { m.indices.push_back(0); }},
      {"missing normal", [](MeshData& m) { m.normals.resize(m.normals.size() - 3); }},
      {"missing texcoord", [](MeshData& m) { m.texcoords.resize(m.texcoords.size() - 2); }},
      {"index past vertices", [](MeshData& m) { m.indices[4] = 4; }},
  };
  for (const Case& c : cases) {
    MeshData mesh = quadMesh();
    c.spoil(mesh);
    std::string problem;
    EXPECT_FALSE(checkMeshData(mesh, &problem)) << c.name;
    EXPECT_FALSE(problem.empty()) << c.name;
    EXPECT_TRUE(encodeMeshFile(mesh).empty()) << c.name;
    std::string error;
    EXPECT_FALSE(writeMeshFile("never-written.obu", mesh, &error)) << c.name;
    EXPECT_NE(error.find("never-written.obu"), std::string::npos) << c.name;
  }
}

TEST(MeshFileCheck, RefusesTruncatedFilesAtEveryLength) {
  const std::vector<std::uint8_t> whole = encodeMeshFile(quadMesh());
  ASSERT_TRUE(check(whole));
  for (std::size_t size = 0; size < whole.size(); ++size) {
    // A copy of exactly `size` bytes, so the sanitizer sees any over-read.
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
    std::string problem;
    EXPECT_FALSE(checkMeshFile(cut.data(), cut.size(), &problem)) << size;
    EXPECT_FALSE(problem.empty()) << size;
  }
  EXPECT_FALSE(checkMeshFile(nullptr, 0, nullptr));
}

TEST(MeshFileCheck, RefusesBadCountsAndIndicesButAllowsTrailingBytes) {
  std::vector<std::uint8_t> file = encodeMeshFile(quadMesh());
  std::string problem;

  auto spoiled = file;
  putInt32(spoiled, 0, 1 << 30);  // vertices far past the file
  EXPECT_FALSE(check(spoiled, &problem));
  EXPECT_NE(problem.find("need"), std::string::npos) << problem;

  spoiled = file;
  putInt32(spoiled, 4, std::numeric_limits<std::int32_t>::max());
  EXPECT_FALSE(check(spoiled, &problem));

  spoiled = file;
  putInt32(spoiled, 8, -2);
  EXPECT_FALSE(check(spoiled, &problem));
  EXPECT_NE(problem.find("negative"), std::string::npos) << problem;

  // Fewer texture coordinates than vertices: shrink U by one and drop the
  // 8 bytes so the size still matches the counts.
  spoiled = file;
  putInt32(spoiled, 8, 3);
  spoiled.resize(spoiled.size() - 8);
  EXPECT_FALSE(check(spoiled, &problem));
  EXPECT_NE(problem.find("texture coordinates"), std::string::npos) << problem;

  spoiled = file;
  spoiled[12 + 48 + 10] = 4;  // last index of the second triangle -> vertex 4 of 4
  EXPECT_FALSE(check(spoiled, &problem));
  EXPECT_NE(problem.find("triangle 1"), std::string::npos) << problem;
  EXPECT_NE(problem.find("vertex 4"), std::string::npos) << problem;

  spoiled = file;
  spoiled[12 + 48 + 1] = 0xFF;  // high byte of the first index -> 65280
  EXPECT_FALSE(check(spoiled, &problem));

  // More texture coordinates than vertices and bytes past the end are fine.
  spoiled = file;
  putInt32(spoiled, 8, 5);
  spoiled.insert(spoiled.end(), 8 + 3, 0);
  EXPECT_TRUE(check(spoiled, &problem)) << problem;
}
