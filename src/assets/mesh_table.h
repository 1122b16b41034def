// The mesh table: each loaded mesh file turned once, at set-up, into a static
// vertex buffer and index buffer, drawn later by slot number with one call.
// Main thread only (buildMesh at set-up, drawMesh inside a frame).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d8/d3d8.h"

constexpr int kMeshSlotCount = 29;
constexpr DWORD kMeshVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112

// The 32-byte vertex of format 0x112.
struct MeshVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(MeshVertex) == 32);

// One built mesh. The array pointers point into the loaded file (not owned)
// and may be unaligned; read them byte-wise (assets/mesh_file.h).
struct MeshSlot {
  const unsigned char* file = nullptr;
  std::int32_t vertexCount = 0;    // V
  std::int32_t texcoordCount = 0;  // U (the file header has V, T, U)
  std::int32_t triangleCount = 0;  // T
  const unsigned char* positions = nullptr;
  const unsigned char* indices = nullptr;
  const unsigned char* texcoords = nullptr;
  const unsigned char* normals = nullptr;
  IDirect3DVertexBuffer8* vertexBuffer = nullptr;  // V mesh vertices
  IDirect3DIndexBuffer8* indexBuffer = nullptr;    // 3·T indices, INDEX16
};

// Slots 0..28; slot i is built from meshFiles[i]. 7, 8, 9, 18, 19 stay empty.
extern MeshSlot meshSlots[kMeshSlotCount];

// When true, buildMesh makes texture coordinates from the file's position
// x and y (before positionScale) instead of reading them. Set around one
// build at set-up only.
extern bool planarTexcoords;

// Fills `slot` from the mesh file `image` of `imageSize` bytes and creates
// its two buffers on `device`: positions, normals and texture coordinates
// multiplied by their factors (single-precision products, normals not
// renormalised). The file is checked first; a file that fails the check, a
// slot outside 0..28, or a buffer that can't be created or locked leaves the
// slot empty and returns 0. Returns 1 when built.
int buildMesh(const unsigned char* image, std::size_t imageSize, int slot,
              float positionScaleX, float positionScaleY, float positionScaleZ,
              float normalScaleX, float normalScaleY, float normalScaleZ,
              float texcoordScaleU, float texcoordScaleV);

// Draws the slot's mesh as a triangle list with the current device state:
// SetVertexShader(0x112), SetIndices, SetStreamSource(stride 32),
// DrawIndexedPrimitive. A slot that was never built draws nothing.
void drawMesh(int slot);

// Releases every slot's buffers and empties the table (tests and a fresh
// start; the presentation itself keeps the meshes to the end).
void releaseMeshTable();
