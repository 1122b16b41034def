// The mesh file: the packed layout for odd triangle counts, the writer's
// refusals, and the soundness check on malformed files. (What the writer
// puts where is read back through the mesh table.)
#include <gtest/gtest.h>

#include <limits>

#include "assets/mesh_file.h"
#include "common/mesh_writer.h"
#include "support/small_data_set.h"

namespace {

// Two triangles over four vertices (even T) or one over three (odd T).
MeshData quadMesh() { return smallMesh(0); }

void putInt32(std::vector<std::uint8_t>& file, std::size_t at, std::int32_t value) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) file[at + i] = std::uint8_t(bits >> (8 * i));
}

bool check(const std::vector<std::uint8_t>& file, std::string* problem = nullptr) {
  return checkMeshFile(file.data(), file.size(), problem);
}

}  // namespace

TEST(MeshFileLayout, OddTriangleCountsPackAndLargestCountsDoNotOverflow) {
  MeshFileLayout layout;
  ASSERT_TRUE(meshFileLayout(3, 1, 3, &layout, nullptr));
  // Odd T: packed, so the texture coordinates start 2 bytes off a word.
  EXPECT_EQ(layout.texcoords, 12u + 36 + 6);
  EXPECT_EQ(encodeMeshFile(triangleMesh()).size(), layout.size);

  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  ASSERT_TRUE(meshFileLayout(big, big, big, &layout, nullptr));
  EXPECT_EQ(layout.size, 12u + (24u + 18u + 8u) * std::size_t(big));
  std::string problem;
  EXPECT_FALSE(meshFileLayout(3, -1, 3, &layout, &problem));
  EXPECT_NE(problem.find("negative"), std::string::npos);
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

TEST(MeshFileCheck, RefusesBadCountsIndicesAndTrailingBytes) {
  using File = std::vector<std::uint8_t>;
  struct Case {
    const char* what;
    void (*spoil)(File&);
    std::vector<const char*> problem;  // parts of the problem named
  };
  const Case cases[] = {
      {"vertices far past the file", [](File& f) { putInt32(f, 0, 1 << 30); }, {"need"}},
      {"largest triangle count", [](File& f) { putInt32(f, 4, std::numeric_limits<std::int32_t>::max()); }, {}},
      {"negative texcoord count", [](File& f) { putInt32(f, 8, -2); }, {"negative"}},
      // U shrunk by one with its 8 bytes dropped, so the size still matches.
      {"fewer texcoords than vertices",
       [](File& f) {
         putInt32(f, 8, 3);
         f.resize(f.size() - 8);
       },
       {"texture coordinates"}},
      {"index past the vertices", [](File& f) { f[12 + 48 + 10] = 4; }, {"triangle 1", "vertex 4"}},
      {"index 65280", [](File& f) { f[12 + 48 + 1] = 0xFF; }, {}},
      {"bytes past the complete size", [](File& f) { f.insert(f.end(), 3, 0); }, {"3 past the"}},
      // The counts at their limits would need a file this long: the limits
      // are named before the length.
      {"vertices above 65536",
       [](File& f) {
         putInt32(f, 0, 65537);
         putInt32(f, 8, 65537);
         f.resize(12 + 24 * 65537 + 18 * 2 + 8 * 65537);
       },
       {"limits", "65537"}},
      {"an empty mesh", [](File& f) { f.assign(12, 0); }, {"no triangle"}},
  };
  const File file = encodeMeshFile(quadMesh());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    File spoiled = file;
    c.spoil(spoiled);
    std::string problem;
    EXPECT_FALSE(check(spoiled, &problem));
    for (const char* part : c.problem) EXPECT_NE(problem.find(part), std::string::npos) << problem;
  }
  // More texture coordinates than vertices are fine.
  File longer = file;
  putInt32(longer, 8, 5);
  longer.insert(longer.end(), 8, 0);
  std::string problem;
  EXPECT_TRUE(check(longer, &problem)) << problem;
}

// The size limit a file's first bytes set: exactly the complete size for
// counts within the limits, the format's largest file otherwise, and none
// for a head too short to hold the counts.
TEST(MeshFileCheck, SizeLimitComesFromTheCounts) {
  const std::vector<std::uint8_t> file = encodeMeshFile(quadMesh());
  std::string what;
  EXPECT_EQ(meshFileSizeLimit(file.data(), file.size(), &what), file.size());
  EXPECT_NE(what.find("counts (vertices 4, triangles 2"), std::string::npos) << what;
  EXPECT_EQ(meshFileSizeLimit(file.data(), 12, nullptr), file.size());  // the header is enough

  std::vector<std::uint8_t> bad = file;
  for (std::int32_t count : {-1, 65537}) {
    putInt32(bad, 0, count);
    EXPECT_EQ(meshFileSizeLimit(bad.data(), bad.size(), &what), kMaxMeshFileBytes) << count;
    EXPECT_EQ(what, "the largest mesh file can be");
  }
  putInt32(bad, 0, 4);
  putInt32(bad, 4, kMaxMeshTriangles + 1);
  EXPECT_EQ(meshFileSizeLimit(bad.data(), bad.size(), nullptr), kMaxMeshFileBytes);
  EXPECT_EQ(meshFileSizeLimit(file.data(), 11, nullptr), UINT64_MAX);
  // About 20 MB: a sound file is never refused by the largest limit.
  EXPECT_EQ(kMaxMeshFileBytes, 12u + 24u * 65536 + 18u * 0xFFFFF + 8u * 65536);
}
