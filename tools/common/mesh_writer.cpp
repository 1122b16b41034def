// Mesh file writer; the byte layout is described in mesh_writer.h.
#include "common/mesh_writer.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "assets/mesh_file.h"
#include "platform/os/output_file.h"

namespace {

void setProblem(std::string* problem, std::string text) {
  if (problem) *problem = std::move(text);
}

void putInt32(std::uint8_t* at, std::uint32_t value) {
  at[0] = std::uint8_t(value);
  at[1] = std::uint8_t(value >> 8);
  at[2] = std::uint8_t(value >> 16);
  at[3] = std::uint8_t(value >> 24);
}

void putFloats(std::uint8_t* at, const std::vector<float>& values) {
  for (float value : values) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putInt32(at, bits);
    at += 4;
  }
}

}  // namespace

bool checkMeshData(const MeshData& mesh, std::string* problem) {
  if (mesh.positions.size() % 3 != 0) {
    setProblem(problem, "position array is not whole (x, y, z) vertices");
    return false;
  }
  if (mesh.indices.size() % 3 != 0) {
    setProblem(problem, "index array is not whole triangles");
    return false;
  }
  const std::size_t vertexCount = mesh.positions.size() / 3;
  const std::size_t triangleCount = mesh.indices.size() / 3;
  constexpr std::size_t kLimit = std::numeric_limits<std::int32_t>::max();
  if (vertexCount > kLimit || triangleCount > kLimit) {
    setProblem(problem, "too many vertices or triangles for 32-bit counts");
    return false;
  }
  if (mesh.normals.size() != mesh.positions.size()) {
    setProblem(problem, "normal count " + std::to_string(mesh.normals.size() / 3) +
                            " differs from vertex count " + std::to_string(vertexCount));
    return false;
  }
  if (mesh.texcoords.size() != 2 * vertexCount) {
    setProblem(problem, "texture coordinate count " + std::to_string(mesh.texcoords.size() / 2) +
                            " differs from vertex count " + std::to_string(vertexCount));
    return false;
  }
  for (std::size_t i = 0; i < mesh.indices.size(); ++i) {
    if (mesh.indices[i] >= vertexCount) {
      setProblem(problem, "triangle " + std::to_string(i / 3) + " uses vertex " +
                              std::to_string(mesh.indices[i]) + " but there are only " +
                              std::to_string(vertexCount) + " vertices");
      return false;
    }
  }
  return true;
}

std::vector<std::uint8_t> encodeMeshFile(const MeshData& mesh) {
  if (!checkMeshData(mesh, nullptr)) return {};
  const auto vertexCount = std::int32_t(mesh.positions.size() / 3);
  const auto triangleCount = std::int32_t(mesh.indices.size() / 3);
  MeshFileLayout layout;
  if (!meshFileLayout(vertexCount, triangleCount, vertexCount, &layout, nullptr)) return {};

  std::vector<std::uint8_t> file(layout.size, 0);
  putInt32(&file[0], std::uint32_t(vertexCount));
  putInt32(&file[4], std::uint32_t(triangleCount));
  putInt32(&file[8], std::uint32_t(vertexCount));
  putFloats(file.data() + layout.positions, mesh.positions);
  std::uint8_t* index = file.data() + layout.indices;
  for (std::uint16_t value : mesh.indices) {
    index[0] = std::uint8_t(value);
    index[1] = std::uint8_t(value >> 8);
    index += 2;
  }
  putFloats(file.data() + layout.texcoords, mesh.texcoords);
  putFloats(file.data() + layout.normals, mesh.normals);
  return file;
}

bool writeMeshFile(const std::string& path, const MeshData& mesh, std::string* error) {
  std::string problem;
  if (!checkMeshData(mesh, &problem)) {
    setProblem(error, path + ": " + problem);
    return false;
  }
  std::string failure;
  if (!writeOutputFile(path, encodeMeshFile(mesh), &failure)) {
    setProblem(error, failure);
    return false;
  }
  return true;
}
