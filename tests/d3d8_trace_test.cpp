// The tracing device: one line per call, enumerations by name, resources by
// creation number, failures with their result; and the process-wide switch.
// (States, bindings, draws, matrices and lights are read back in the scenes'
// call sequences.)

#include "platform/d3d8/device_trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/d3d8_test_device.h"

TEST(D3d8Trace, CallsAreWrittenWithNamedArgumentsAndTheirFailures) {
  TestDevice d;
  std::vector<std::string> lines;
  IDirect3DDevice8* traced = wrapWithTrace(d.get(), traceToLines(&lines));
  ASSERT_NE(traced, nullptr);
  IDirect3DTexture8* first = nullptr;
  IDirect3DTexture8* second = nullptr;
  IDirect3DVertexBuffer8* vertices = nullptr;
  traced->CreateTexture(128, 128, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &first);
  traced->CreateTexture(64, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &second);
  traced->CreateVertexBuffer(24 * 32, D3DUSAGE_WRITEONLY, 0x112, D3DPOOL_DEFAULT, &vertices);
  traced->UpdateTexture(first, second);
  const std::vector<std::string> expected = {
      "CreateTexture(128, 128, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM) = tex#1",
      "CreateTexture(64, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) = tex#2",
      "CreateVertexBuffer(768, D3DUSAGE_WRITEONLY, 0x112 D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1, D3DPOOL_DEFAULT) = vb#1",
      "UpdateTexture(tex#1, tex#2) -> D3DERR_INVALIDCALL",  // sizes differ
  };
  EXPECT_EQ(lines, expected);

  // The wrapper keeps its own reference on the device it wraps.
  first->Release();
  second->Release();
  vertices->Release();
  EXPECT_EQ(traced->Release(), 0u);
  EXPECT_EQ(d->BeginScene(), D3D_OK);  // the wrapped device is still alive
}

// Frame calls through the switch are read in the device set-up's tests.
TEST(D3d8Trace, ProcessWideSwitchTracesTheCreatedDevice) {
  resetSoftwareDeviceConfig();
  std::vector<std::string> lines;
  enableDeviceTrace(traceToLines(&lines));
  IDirect3D8* d3d = Direct3DCreate8(120);
  D3DPRESENT_PARAMETERS p = fullScreenParameters();
  IDirect3DDevice8* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device), D3D_OK);
  device->Release();
  d3d->Release();
  disableDeviceTrace();
  EXPECT_FALSE(deviceTraceEnabled());
  const std::vector<std::string> expected = {"Direct3DCreate8(120)", "IDirect3D8::CreateDevice(0, 1, window, 0x40)",
                                             "Release() -> 0"};
  EXPECT_EQ(lines, expected);
}
