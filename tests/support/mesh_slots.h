// Reads back what the mesh table put into a slot's device buffers (empty
// when the slot has no buffers or they cannot be locked).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "assets/mesh_table.h"

inline std::vector<MeshVertex> meshSlotVertices(int slot) {
  const MeshSlot& mesh = meshSlots[slot];
  std::vector<MeshVertex> out(std::size_t(mesh.vertexCount));
  BYTE* data = nullptr;
  if (mesh.vertexBuffer == nullptr || FAILED(mesh.vertexBuffer->Lock(0, 0, &data, 0))) return {};
  std::memcpy(out.data(), data, out.size() * sizeof(MeshVertex));
  mesh.vertexBuffer->Unlock();
  return out;
}

inline std::vector<std::uint16_t> meshSlotIndices(int slot) {
  const MeshSlot& mesh = meshSlots[slot];
  std::vector<std::uint16_t> out(std::size_t(mesh.triangleCount) * 3);
  BYTE* data = nullptr;
  if (mesh.indexBuffer == nullptr || FAILED(mesh.indexBuffer->Lock(0, 0, &data, 0))) return {};
  std::memcpy(out.data(), data, out.size() * 2);
  mesh.indexBuffer->Unlock();
  return out;
}
