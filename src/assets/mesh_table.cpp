// Building and drawing the meshes of the mesh table. The file layout (and the
// choice for odd triangle counts: packed, no padding) is described at the top
// of mesh_file.h.
#include "assets/mesh_table.h"

#include <cstring>

#include "assets/mesh_file.h"
#include "render/device.h"

MeshSlot meshSlots[kMeshSlotCount];
bool planarTexcoords = false;

namespace {

void emptySlot(MeshSlot& slot) {
  if (slot.vertexBuffer) slot.vertexBuffer->Release();
  if (slot.indexBuffer) slot.indexBuffer->Release();
  slot = MeshSlot{};
}

}  // namespace

int buildMesh(const unsigned char* image, std::size_t imageSize, int slot,
              float positionScaleX, float positionScaleY, float positionScaleZ,
              float normalScaleX, float normalScaleY, float normalScaleZ,
              float texcoordScaleU, float texcoordScaleV) {
  if (slot < 0 || slot >= kMeshSlotCount || device == nullptr) return 0;
  MeshSlot& mesh = meshSlots[slot];
  emptySlot(mesh);
  if (!checkMeshFile(image, imageSize, nullptr)) return 0;

  MeshFileLayout layout;
  meshFileLayout(readMeshInt32(image), readMeshInt32(image + 4), readMeshInt32(image + 8),
                 &layout, nullptr);
  mesh.file = image;
  mesh.vertexCount = layout.vertexCount;
  mesh.texcoordCount = layout.texcoordCount;
  mesh.triangleCount = layout.triangleCount;
  mesh.positions = image + layout.positions;
  mesh.indices = image + layout.indices;
  mesh.texcoords = image + layout.texcoords;
  mesh.normals = image + layout.normals;

  // Direct3D buffer lengths are 32-bit; a mesh too large for them stays unbuilt.
  const std::uint64_t vertexBytes = std::uint64_t(layout.vertexCount) * sizeof(MeshVertex);
  const std::uint64_t indexBytes = std::uint64_t(layout.triangleCount) * 6;
  if (vertexBytes > 0xFFFFFFFFu || indexBytes > 0xFFFFFFFFu) {
    emptySlot(mesh);
    return 0;
  }

  if (FAILED(device->CreateVertexBuffer(UINT(vertexBytes), D3DUSAGE_WRITEONLY, kMeshVertexFormat,
                                        D3DPOOL_DEFAULT, &mesh.vertexBuffer)) ||
      mesh.vertexBuffer == nullptr) {
    emptySlot(mesh);
    return 0;
  }
  BYTE* vertexBytesOut = nullptr;
  if (FAILED(mesh.vertexBuffer->Lock(0, 0, &vertexBytesOut, 0)) || vertexBytesOut == nullptr) {
    emptySlot(mesh);
    return 0;
  }
  for (std::int32_t k = 0; k < layout.vertexCount; ++k) {
    const unsigned char* position = mesh.positions + 12 * std::size_t(k);
    const unsigned char* normal = mesh.normals + 12 * std::size_t(k);
    const float x = readMeshFloat(position);
    const float y = readMeshFloat(position + 4);
    MeshVertex vertex;
    vertex.x = positionScaleX * x;
    vertex.y = positionScaleY * y;
    vertex.z = positionScaleZ * readMeshFloat(position + 8);
    vertex.nx = normalScaleX * readMeshFloat(normal);
    vertex.ny = normalScaleY * readMeshFloat(normal + 4);
    vertex.nz = normalScaleZ * readMeshFloat(normal + 8);
    if (planarTexcoords) {
      vertex.u = texcoordScaleU * x;
      vertex.v = texcoordScaleV * y;
    } else {
      const unsigned char* texcoord = mesh.texcoords + 8 * std::size_t(k);
      vertex.u = texcoordScaleU * readMeshFloat(texcoord);
      vertex.v = texcoordScaleV * readMeshFloat(texcoord + 4);
    }
    std::memcpy(vertexBytesOut + sizeof(MeshVertex) * std::size_t(k), &vertex, sizeof vertex);
  }
  mesh.vertexBuffer->Unlock();

  if (FAILED(device->CreateIndexBuffer(UINT(indexBytes), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &mesh.indexBuffer)) ||
      mesh.indexBuffer == nullptr) {
    emptySlot(mesh);
    return 0;
  }
  BYTE* indexBytesOut = nullptr;
  if (FAILED(mesh.indexBuffer->Lock(0, 0, &indexBytesOut, 0)) || indexBytesOut == nullptr) {
    emptySlot(mesh);
    return 0;
  }
  // The file's indices are little-endian; the buffer takes them as host
  // 16-bit values, unchanged and in file order.
  for (std::size_t i = 0; i < std::size_t(layout.triangleCount) * 3; ++i) {
    const std::uint16_t index = readMeshUint16(mesh.indices + 2 * i);
    std::memcpy(indexBytesOut + 2 * i, &index, sizeof index);
  }
  mesh.indexBuffer->Unlock();
  return 1;
}

void drawMesh(int slot) {
  if (slot < 0 || slot >= kMeshSlotCount || device == nullptr) return;
  const MeshSlot& mesh = meshSlots[slot];
  if (mesh.vertexBuffer == nullptr || mesh.indexBuffer == nullptr) return;
  device->SetVertexShader(kMeshVertexFormat);
  device->SetIndices(mesh.indexBuffer, 0);
  device->SetStreamSource(0, mesh.vertexBuffer, sizeof(MeshVertex));
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(mesh.vertexCount), 0,
                               UINT(mesh.triangleCount));
}

void releaseMeshTable() {
  for (MeshSlot& slot : meshSlots) emptySlot(slot);
  planarTexcoords = false;
}
