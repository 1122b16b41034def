// A mesh file through the start-up check, the mesh table and a draw on the
// software device. The promises: a file the check accepts builds into its
// slot (unless it has no vertices or no triangles); a refused file comes
// with a reason and leaves the slot empty.
// Whatever the file's floats are (huge, infinite, NaN), drawing stays
// inside the device's buffers and converts nothing out of range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "assets/mesh_file.h"
#include "assets/mesh_table.h"
#include "platform/d3d8/software_device.h"
#include "promise.h"
#include "support/d3d8_test_device.h"
#include "render/device.h"
#include "render/math3d.h"

namespace {

// One full-screen device with a depth buffer, lit by one directional light,
// looking at the origin from 5 units away. It renders at scale 3, so the
// snapping and band bounds of a finer grid (not an exact power of two) are
// fuzzed as well; scale 1 runs the same code with a factor of one. It draws
// on one thread into a 96 x 72 viewport inside the screen: clearing
// and filling the whole 1920 x 1440 buffer for each input cost most of the
// time, while the clipping, guard band and viewport offsets stay the ones
// of any viewport.
IDirect3DDevice8* makeDevice() {
  setRenderResolution({3, false});
  setRenderThreads(1);
  IDirect3D8* direct3D = Direct3DCreate8(120);
  if (direct3D == nullptr) return nullptr;
  D3DPRESENT_PARAMETERS p = fullScreenParameters();
  IDirect3DDevice8* created = nullptr;
  direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &created);
  if (created == nullptr) return nullptr;
  Mat4 world, view, projection;
  mat4Translation(&world, 0, 0, 0);
  mat4Translation(&view, 0, 0, 5);
  mat4PerspectiveLH(&projection, 0.8f, 4.0f / 3.0f, 0.5f, 1000.0f);
  created->SetTransform(D3DTS_WORLD, &world);
  created->SetTransform(D3DTS_VIEW, &view);
  created->SetTransform(D3DTS_PROJECTION, &projection);
  D3DVIEWPORT8 viewport{200, 150, 96, 72, 0.0f, 1.0f};
  created->SetViewport(&viewport);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.3f, -0.5f, 1};
  created->SetLight(0, &light);
  created->LightEnable(0, TRUE);
  created->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DMATERIAL8 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {0.2f, 0.2f, 0.2f, 1};
  created->SetMaterial(&material);
  return created;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static IDirect3DDevice8* const softwareDevice = makeDevice();
  FUZZ_PROMISE(softwareDevice != nullptr, "the software device starts");
  device = softwareDevice;

  std::string problem;
  const bool sound = checkMeshFile(data, size, &problem);
  FUZZ_PROMISE(sound || !problem.empty(), "a refused mesh file carries a reason");
  // The table checks the file itself: a refused file must stay unbuilt.
  const int built = buildMesh(data, size, 0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  FUZZ_PROMISE(built == 0 || sound, "the mesh table builds only files the check accepts");
  // Direct3D makes no buffer of 0 bytes, so a sound file without vertices or
  // triangles stays unbuilt (and draws nothing); every other one builds.
  const bool empty = sound && (readMeshInt32(data) == 0 || readMeshInt32(data + 4) == 0);
  FUZZ_PROMISE(built == 1 || !sound || empty, "a sound mesh file with triangles builds");
  FUZZ_PROMISE((meshSlots[0].vertexBuffer != nullptr) == (built == 1), "only a built slot holds buffers");

  if (built == 1) {
    softwareDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    softwareDevice->BeginScene();
    drawMesh(0);
    softwareDevice->EndScene();
    softwareDevice->Present(nullptr, nullptr, nullptr, nullptr);
  }
  releaseMeshTable();
  return 0;
}
