// The mesh file (".obu"): where each array lies, and the soundness check that
// runs on every loaded mesh file before anything reads it.
//
// Byte layout, little-endian, floats IEEE 754 single precision, packed:
//
//   offset                    size   content
//   0                         4      V  vertexCount   (signed 32-bit)
//   4                         4      T  triangleCount (signed 32-bit)
//   8                         4      U  texcoordCount (signed 32-bit)
//   12                        12·V   positions: V × (x, y, z) float
//   12+12V                    6·T    triangles: T × (i0, i1, i2) uint16
//   12+12V+6T                 8·U    texture coordinates: U × (u, v) float
//   12+12V+6T+8U              12·T   one 12-byte record per triangle, unused
//   12+12V+18T+8U             12·V   normals: V × (x, y, z) float
//   12+24V+18T+8U                    end of a complete file
//
// Odd triangle counts: the arrays are packed with no padding, whatever T is.
// When T is odd the triangle array ends 2 bytes past a 4-byte boundary and
// the texture coordinates start right there, so every later float is read
// byte-wise (memcpy), never through an aligned float pointer. A complete file
// is 12 + 24V + 18T + 8U bytes for every T.
//
// Vertex k owns position k, normal k and texture coordinate k, so U >= V.
// Every index must be below V. A file is exactly its complete size and holds
// at least one triangle. The counts have hard limits: 16-bit indices reach
// 65536 vertices and only the first V texture coordinates are read, so V and
// U are at most 65536; a mesh is drawn in one call, so T is at most the
// device's 1,048,575 primitives per draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

constexpr std::size_t kMeshHeaderSize = 12;
constexpr std::int32_t kMaxMeshVertices = 65536;
constexpr std::int32_t kMaxMeshTexcoords = 65536;
constexpr std::int32_t kMaxMeshTriangles = 0xFFFFF;
// The largest complete file those limits allow (about 20 MB).
constexpr std::uint64_t kMaxMeshFileBytes =
    kMeshHeaderSize + 24 * std::uint64_t{kMaxMeshVertices} + 18 * std::uint64_t{kMaxMeshTriangles} +
    8 * std::uint64_t{kMaxMeshTexcoords};

// Byte offsets of the arrays of one mesh file and its complete size.
struct MeshFileLayout {
  std::int32_t vertexCount = 0;
  std::int32_t triangleCount = 0;
  std::int32_t texcoordCount = 0;
  std::size_t positions = 0;
  std::size_t indices = 0;
  std::size_t texcoords = 0;
  std::size_t unusedBlock = 0;
  std::size_t normals = 0;
  std::size_t size = 0;
};

// Fills `layout` from the three counts. False (with a reason in `problem`,
// which may be null) when a count is negative.
bool meshFileLayout(std::int32_t vertexCount, std::int32_t triangleCount,
                    std::int32_t texcoordCount, MeshFileLayout* layout,
                    std::string* problem);

// Checks a whole mesh file: a header is present, no count is negative or
// above its limit, the file is exactly as long as its counts require, it
// holds a triangle, U >= V, every index is below V and every position,
// texture coordinate and normal is finite. True when sound; otherwise false with a one-line reason in
// `problem` (may be null). Reads nothing outside [data, data + size).
bool checkMeshFile(const unsigned char* data, std::size_t size, std::string* problem);

// The largest a mesh file that begins with `head` (headBytes bytes) may be:
// the complete size its counts describe, or kMaxMeshFileBytes when the counts
// are negative or above their limits; `what` (may be null) gets the words
// for what sets it. UINT64_MAX when the head is shorter than the header.
std::uint64_t meshFileSizeLimit(const unsigned char* head, std::size_t headBytes, std::string* what);

// Little-endian reads at any alignment.
inline std::int32_t readMeshInt32(const unsigned char* at) {
  std::uint32_t value = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                        std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
  return static_cast<std::int32_t>(value);
}
inline std::uint16_t readMeshUint16(const unsigned char* at) {
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}
inline float readMeshFloat(const unsigned char* at) {
  std::uint32_t bits = static_cast<std::uint32_t>(readMeshInt32(at));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
