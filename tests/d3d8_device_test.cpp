// The software Direct3D 8 objects: creation rules, resources and their
// locking rules, reference counting, clears and the checks that keep bad
// draws from reading outside their buffers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/d3d8/row_split.h"
#include "platform/d3d8/software_device.h"
#include "platform/d3d8/software_device_impl.h"
#include "support/d3d8_test_device.h"

namespace {

SoftwareDevice* software(const TestDevice& d) { return dynamic_cast<SoftwareDevice*>(d.get()); }

}  // namespace

TEST(D3d8Objects, CreationRulesAndReferencesThatOutliveTheDevice) {
  resetSoftwareDeviceConfig();
  EXPECT_EQ(Direct3DCreate8(100), nullptr);
  IDirect3D8* d3d = Direct3DCreate8(120);
  ASSERT_NE(d3d, nullptr);
  D3DDISPLAYMODE mode{};
  EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
  IDirect3DDevice8* device = nullptr;
  D3DPRESENT_PARAMETERS p = fullScreenParameters();
  p.BackBufferWidth = 800;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
            D3DERR_INVALIDCALL);
  p = fullScreenParameters();
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &p, &device), D3DERR_INVALIDCALL);  // no processing kind
  EXPECT_EQ(device, nullptr);
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device), D3D_OK);
  EXPECT_EQ(p.BackBufferCount, 1u);  // the default of one back buffer is written back

  IDirect3DTexture8* texture = nullptr;
  device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture);
  device->SetTexture(0, texture);
  EXPECT_EQ(texture->Release(), 1u);  // the binding keeps it alive
  IDirect3DVertexBuffer8* buffer = nullptr;
  device->CreateVertexBuffer(32, 0, 0x112, D3DPOOL_DEFAULT, &buffer);
  d3d->Release();                     // the device holds the Direct3D object: ours may go first
  EXPECT_EQ(device->Release(), 0u);  // the device goes; the binding's reference with it
  IDirect3DDevice8* owner = reinterpret_cast<IDirect3DDevice8*>(1);
  EXPECT_EQ(buffer->GetDevice(&owner), D3DERR_INVALIDCALL);
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(buffer->Release(), 0u);
}

// Locks and copies never reach outside a resource, and a lock is taken once.
TEST(D3d8Resources, LocksAndCopiesStayInsideTheResource) {
  TestDevice d;
  IDirect3DTexture8* system = nullptr;
  IDirect3DTexture8* deviceTexture = nullptr;
  ASSERT_EQ(d->CreateTexture(32, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system), D3D_OK);
  EXPECT_EQ(system->GetLevelCount(), 6u);  // 32x16 down to 1x1
  ASSERT_EQ(d->CreateTexture(32, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &deviceTexture), D3D_OK);
  D3DLOCKED_RECT locked{};
  const RECT outside = {0, 0, 33, 16};
  EXPECT_EQ(deviceTexture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // video memory
  EXPECT_EQ(system->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(system->LockRect(6, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(system->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(system->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(system->UnlockRect(0), D3D_OK);
  EXPECT_EQ(system->UnlockRect(0), D3DERR_INVALIDCALL);

  // Copies go from system memory to the default pool (sizes that differ:
  // D3d8Trace.CallsAreWrittenWithNamedArgumentsAndTheirFailures).
  EXPECT_EQ(d->UpdateTexture(deviceTexture, system), D3DERR_INVALIDCALL);
  deviceTexture->Release();
  system->Release();

  IDirect3DVertexBuffer8* buffer = nullptr;
  ASSERT_EQ(d->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_DEFAULT, &buffer), D3D_OK);
  BYTE* data = nullptr;
  EXPECT_EQ(buffer->Lock(100, 20, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(113, 0, &data, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  std::memset(data, 0xAB, 112);  // the whole buffer is writable
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(buffer->Lock(100, 12, &data, 0), D3D_OK);
  buffer->Unlock();
  buffer->Release();
  IDirect3DIndexBuffer8* indices = nullptr;
  EXPECT_EQ(d->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &indices), D3DERR_INVALIDCALL);
}

TEST(D3d8Frame, ClearHonoursRectanglesViewportAndDepthAndPresentNeedsNoSink) {
  TestDevice d;
  SoftwareDevice* sw = software(d);
  ASSERT_NE(sw, nullptr);
  ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00, 1.0f, 0), D3D_OK);
  const D3DRECT rect = {10, 10, 20, 12};  // right and bottom edges outside
  ASSERT_EQ(d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFFFFFF, 0.0f, 0), D3D_OK);
  EXPECT_EQ(sw->backBuffer()[11 * 640 + 19], 0xFFFFFFFFu);
  EXPECT_EQ(sw->backBuffer()[12 * 640 + 10], 0x0000FF00u);
  EXPECT_EQ(sw->backBuffer()[10 * 640 + 20], 0x0000FF00u);
  const D3DVIEWPORT8 viewport = {100, 100, 50, 50, 0.0f, 1.0f};
  ASSERT_EQ(d->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
  EXPECT_EQ(sw->depthBuffer()[100 * 640 + 100], 32768);  // round(0.5 * 65535)
  EXPECT_EQ(sw->depthBuffer()[99 * 640 + 100], 0xFFFF);
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  setFrameSink(nullptr);
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);  // no sink: nowhere to go, still fine
}

TEST(D3d8Draw, BadDrawsAreRefusedWithoutReadingOutsideBuffers) {
  TestDevice d;
  const std::vector<PretransformedVertex> quad = screenQuad(0, 0, 640, 480, 0.5f, 0xFFFFFFFF);
  IDirect3DVertexBuffer8* buffer = d.vertexBuffer(quad.data(), 4 * sizeof(PretransformedVertex), 0x144);
  d->SetVertexShader(0x144);
  d->SetStreamSource(0, buffer, sizeof(PretransformedVertex));
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);  // outside a scene
  ASSERT_EQ(d->BeginScene(), D3D_OK);
  EXPECT_EQ(d->BeginScene(), D3DERR_INVALIDCALL);  // already in one
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 3), D3DERR_INVALIDCALL);  // needs 5 vertices
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);   // needs 6
  d->SetStreamSource(0, buffer, 16);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);  // stride below the format
  d->SetStreamSource(0, buffer, sizeof(PretransformedVertex));

  // Indices past the vertex buffer: the draw is refused.
  IDirect3DIndexBuffer8* indices = d.indexBuffer({0, 1, 2, 1, 3, 4});
  d->SetIndices(indices, 0);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 1), D3DERR_INVALIDCALL);  // past the indices
  d->SetIndices(indices, 2);  // base index moves the first triangle past the end too
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetVertexShader(0x6), D3DERR_INVALIDCALL);  // blend-weight positions are not drawn here
  d->SetStreamSource(0, nullptr, 0);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
}

TEST(D3d8RowSplit, RangesCoverEveryRowOnceAndDependOnlyOnTheCounts) {
  struct Record {
    std::mutex mutex;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> hits = std::vector<int>(100, 0);
  };
  const auto split = [](int rows, int minRows) {
    Record record;
    auto body = [&record](int begin, int end) {
      std::lock_guard<std::mutex> lock(record.mutex);
      record.ranges.emplace_back(begin, end);
      for (int row = begin; row < end; ++row) ++record.hits[row];
    };
    splitRows(rows, minRows, body);
    std::sort(record.ranges.begin(), record.ranges.end());
    for (int row = 0; row < 100; ++row) EXPECT_EQ(record.hits[row], row < rows ? 1 : 0) << row;
    return record.ranges;
  };
  using Ranges = std::vector<std::pair<int, int>>;
  // No device: one range on the caller's thread.
  EXPECT_EQ(split(100, 7), (Ranges{{0, 100}}));
  setRenderThreads(3);
  {
    TestDevice device;
    ASSERT_TRUE(device.ok());
    // Equal ranges of rows / parts (the last takes the rest), at most four
    // a thread and none below the minimum; the same on every call.
    Ranges twelve;
    for (int part = 0; part < 12; ++part) twelve.emplace_back(part * 8, part == 11 ? 100 : part * 8 + 8);
    for (int repeat = 0; repeat < 20; ++repeat) EXPECT_EQ(split(100, 7), twelve);
    EXPECT_EQ(split(20, 7), (Ranges{{0, 10}, {10, 20}}));
    EXPECT_EQ(split(13, 7), (Ranges{{0, 13}}));
    EXPECT_EQ(split(0, 7), Ranges{});
  }
  setRenderThreads(1);
  {
    TestDevice device;
    EXPECT_EQ(split(100, 7), (Ranges{{0, 100}}));
  }
  setRenderThreads(0);
}
