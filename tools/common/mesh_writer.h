// Writes mesh files (".obu") for the content kit and the converter.
//
// Byte layout (little-endian, floats IEEE 754 single, packed, no padding):
//   0   int32 V, int32 T, int32 U (U = V here: one coordinate per vertex)
//   12  positions  V × 3 float
//       indices    T × 3 uint16
//       texcoords  U × 2 float     (starts 2 bytes off a 4-byte boundary
//                                   when T is odd: no padding is inserted)
//       unused     T × 12 bytes    (written as zeros; the presentation never
//                                   reads it)
//       normals    V × 3 float
// Total 12 + 24V + 18T + 8U bytes. The reader side is assets/mesh_file.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MeshData {
  std::vector<float> positions;        // x, y, z per vertex
  std::vector<float> normals;          // x, y, z per vertex
  std::vector<float> texcoords;        // u, v per vertex
  std::vector<std::uint16_t> indices;  // 3 per triangle
};

// Checks that the arrays describe a mesh the format can hold: whole
// vertices and triangles, as many normals and texture coordinates as
// vertices, every index below the vertex count, counts within 32 bits.
// False with a one-line reason in `problem` (may be null).
bool checkMeshData(const MeshData& mesh, std::string* problem);

// The file's bytes; empty when checkMeshData refuses the mesh.
std::vector<std::uint8_t> encodeMeshFile(const MeshData& mesh);

// Encodes and writes the file. False with the reason in `error` (may be null)
// when the mesh is refused or the file can't be written.
bool writeMeshFile(const std::string& path, const MeshData& mesh, std::string* error);
