// Layout and soundness check of the mesh file; the byte layout is described
// at the top of mesh_file.h.
#include "assets/mesh_file.h"

#include <cmath>
#include <limits>

namespace {

void setProblem(std::string* problem, std::string text) {
  if (problem) *problem = std::move(text);
}

}  // namespace

bool meshFileLayout(std::int32_t vertexCount, std::int32_t triangleCount,
                    std::int32_t texcoordCount, MeshFileLayout* layout,
                    std::string* problem) {
  if (vertexCount < 0 || triangleCount < 0 || texcoordCount < 0) {
    setProblem(problem, "negative count in header (vertices " + std::to_string(vertexCount) +
                            ", triangles " + std::to_string(triangleCount) +
                            ", texture coordinates " + std::to_string(texcoordCount) + ")");
    return false;
  }
  // Counts are below 2^31, so every offset fits easily in 64 bits.
  const std::uint64_t v = std::uint64_t(vertexCount);
  const std::uint64_t t = std::uint64_t(triangleCount);
  const std::uint64_t u = std::uint64_t(texcoordCount);
  const std::uint64_t positions = kMeshHeaderSize;
  const std::uint64_t indices = positions + 12 * v;
  const std::uint64_t texcoords = indices + 6 * t;
  const std::uint64_t unusedBlock = texcoords + 8 * u;
  const std::uint64_t normals = unusedBlock + 12 * t;
  const std::uint64_t size = normals + 12 * v;
  if (size > std::numeric_limits<std::size_t>::max()) {
    setProblem(problem, "counts describe a file too large to address");
    return false;
  }
  layout->vertexCount = vertexCount;
  layout->triangleCount = triangleCount;
  layout->texcoordCount = texcoordCount;
  layout->positions = std::size_t(positions);
  layout->indices = std::size_t(indices);
  layout->texcoords = std::size_t(texcoords);
  layout->unusedBlock = std::size_t(unusedBlock);
  layout->normals = std::size_t(normals);
  layout->size = std::size_t(size);
  return true;
}

bool checkMeshFile(const unsigned char* data, std::size_t size, std::string* problem) {
  if (data == nullptr || size < kMeshHeaderSize) {
    setProblem(problem, "file of " + std::to_string(size) + " bytes is shorter than the " +
                            std::to_string(kMeshHeaderSize) + "-byte header");
    return false;
  }
  MeshFileLayout layout;
  if (!meshFileLayout(readMeshInt32(data), readMeshInt32(data + 4), readMeshInt32(data + 8),
                      &layout, problem)) {
    return false;
  }
  if (size < layout.size) {
    setProblem(problem, "file is " + std::to_string(size) + " bytes but its counts (vertices " +
                            std::to_string(layout.vertexCount) + ", triangles " +
                            std::to_string(layout.triangleCount) + ", texture coordinates " +
                            std::to_string(layout.texcoordCount) + ") need " +
                            std::to_string(layout.size));
    return false;
  }
  if (layout.vertexCount > kMaxMeshVertices || layout.texcoordCount > kMaxMeshTexcoords ||
      layout.triangleCount > kMaxMeshTriangles) {
    setProblem(problem, "counts above the format's limits (vertices " + std::to_string(layout.vertexCount) +
                            " of at most " + std::to_string(kMaxMeshVertices) + ", triangles " +
                            std::to_string(layout.triangleCount) + " of at most " +
                            std::to_string(kMaxMeshTriangles) + ", texture coordinates " +
                            std::to_string(layout.texcoordCount) + " of at most " +
                            std::to_string(kMaxMeshTexcoords) + ")");
    return false;
  }
  if (size > layout.size) {
    setProblem(problem, "file is " + std::to_string(size) + " bytes, " + std::to_string(size - layout.size) +
                            " past the " + std::to_string(layout.size) + " its counts describe");
    return false;
  }
  if (layout.triangleCount == 0) {
    setProblem(problem, "holds no triangle (vertices " + std::to_string(layout.vertexCount) +
                            ", texture coordinates " + std::to_string(layout.texcoordCount) + ")");
    return false;
  }
  if (layout.texcoordCount < layout.vertexCount) {
    setProblem(problem, "fewer texture coordinates (" + std::to_string(layout.texcoordCount) +
                            ") than vertices (" + std::to_string(layout.vertexCount) + ")");
    return false;
  }
  const std::size_t indexCount = std::size_t(layout.triangleCount) * 3;
  for (std::size_t i = 0; i < indexCount; ++i) {
    const std::uint16_t index = readMeshUint16(data + layout.indices + 2 * i);
    if (index >= layout.vertexCount) {
      setProblem(problem, "triangle " + std::to_string(i / 3) + " uses vertex " +
                              std::to_string(index) + " but there are only " +
                              std::to_string(layout.vertexCount) + " vertices");
      return false;
    }
  }
  // A NaN or an infinity would travel through the transforms into every
  // pixel the triangle touches.
  const struct {
    const char* name;
    std::size_t offset;
    std::size_t count;
  } arrays[] = {{"position", layout.positions, std::size_t(layout.vertexCount) * 3},
                {"texture coordinate", layout.texcoords, std::size_t(layout.texcoordCount) * 2},
                {"normal", layout.normals, std::size_t(layout.vertexCount) * 3}};
  for (const auto& array : arrays) {
    for (std::size_t i = 0; i < array.count; ++i) {
      if (!std::isfinite(readMeshFloat(data + array.offset + 4 * i))) {
        const std::size_t perItem = array.offset == layout.texcoords ? 2 : 3;
        setProblem(problem, std::string(array.name) + " " + std::to_string(i / perItem) + " is not a finite number");
        return false;
      }
    }
  }
  return true;
}

std::uint64_t meshFileSizeLimit(const unsigned char* head, std::size_t headBytes, std::string* what) {
  if (head == nullptr || headBytes < kMeshHeaderSize) return UINT64_MAX;
  const std::int32_t v = readMeshInt32(head);
  const std::int32_t t = readMeshInt32(head + 4);
  const std::int32_t u = readMeshInt32(head + 8);
  MeshFileLayout layout;
  if (v < 0 || t < 0 || u < 0 || v > kMaxMeshVertices || t > kMaxMeshTriangles || u > kMaxMeshTexcoords ||
      !meshFileLayout(v, t, u, &layout, nullptr)) {
    if (what != nullptr) *what = "the largest mesh file can be";
    return kMaxMeshFileBytes;
  }
  if (what != nullptr) {
    *what = "its counts (vertices " + std::to_string(v) + ", triangles " + std::to_string(t) +
            ", texture coordinates " + std::to_string(u) + ") describe";
  }
  return layout.size;
}
