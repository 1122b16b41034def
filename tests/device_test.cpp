// Device set-up, frame bracket and release of the presentation's one device.

#include "render/device.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/d3d8/device_trace.h"
#include "platform/d3d8/software_device.h"

namespace {

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSoftwareDeviceConfig();
    setFrameSink(&sink);
    enableDeviceTrace(traceToLines(&trace));
  }
  void TearDown() override {
    releaseDevice();
    disableDeviceTrace();
    setFrameSink(nullptr);
    resetSoftwareDeviceConfig();
  }
  int countLines(const std::string& prefix) const {
    int count = 0;
    for (const auto& line : trace) count += line.rfind(prefix, 0) == 0;
    return count;
  }

  MemoryFrameSink sink;
  std::vector<std::string> trace;
};

TEST_F(DeviceTest, SetUpGivesTheStartingStates) {
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  ASSERT_NE(direct3D, nullptr);
  ASSERT_NE(device, nullptr);
  // Set up: lighting off, depth on, clockwise culling; the rest keeps Direct3D's defaults.
  const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
      {D3DRS_LIGHTING, FALSE},       {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_CULLMODE, D3DCULL_CW},
      {D3DRS_ZWRITEENABLE, TRUE},    {D3DRS_ALPHABLENDENABLE, FALSE},   {D3DRS_BLENDOP, D3DBLENDOP_ADD}};
  DWORD value = 0;
  for (const auto& [state, expected] : states) {
    device->GetRenderState(state, &value);
    EXPECT_EQ(value, expected) << "render state " << state;
  }
  for (const D3DTEXTURESTAGESTATETYPE filter : {D3DTSS_MINFILTER, D3DTSS_MAGFILTER}) {
    device->GetTextureStageState(0, filter, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));
  }
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice(0, 1, window, 0x40)"), 1);
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice"), 1);
}

TEST_F(DeviceTest, HardwareVertexProcessingRefusedFallsBackToSoftware) {
  softwareDeviceConfig().failCreateDevice = CreateDeviceFailure::kHardwareVertexProcessing;
  EXPECT_EQ(setUpDevice(nullptr), D3D_OK);
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(countLines("IDirect3D8::CreateDevice"), 2);
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice(0, 1, window, 0x40) -> D3DERR_NOTAVAILABLE"), 1);
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice(0, 1, window, 0x20)"), 1);
  // The run proceeds identically: same starting states, frames work.
  DWORD cull = 0;
  device->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CW));
  EXPECT_EQ(beginFrame(), D3D_OK);
  EXPECT_EQ(endFrame(), D3D_OK);
}

TEST_F(DeviceTest, BothCreationsFailingReturnsTheSecondResult) {
  softwareDeviceConfig().failCreateDevice = CreateDeviceFailure::kAll;
  softwareDeviceConfig().createDeviceResult = D3DERR_INVALIDDEVICE;
  EXPECT_EQ(setUpDevice(nullptr), D3DERR_INVALIDDEVICE);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice"), 2);
}

TEST_F(DeviceTest, DisplayModeFailureStopsBeforeCreation) {
  softwareDeviceConfig().failGetAdapterDisplayMode = true;
  softwareDeviceConfig().getAdapterDisplayModeResult = D3DERR_NOTAVAILABLE;
  EXPECT_EQ(setUpDevice(nullptr), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(countLines("IDirect3D8::CreateDevice"), 0);
}

TEST_F(DeviceTest, NoDirect3DObjectIsAFailedSetUp) {
  softwareDeviceConfig().failDirect3DCreate8 = true;
  EXPECT_LT(setUpDevice(nullptr), 0);
  EXPECT_EQ(direct3D, nullptr);
  EXPECT_EQ(device, nullptr);
  // The frame calls refuse rather than touch a missing device.
  EXPECT_LT(beginFrame(), 0);
  EXPECT_LT(endFrame(), 0);
}

TEST_F(DeviceTest, FrameWithoutDrawingIsGreen) {
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  trace.clear();
  ASSERT_EQ(beginFrame(), D3D_OK);
  ASSERT_EQ(endFrame(), D3D_OK);
  ASSERT_EQ(sink.frameCount(), 1);
  EXPECT_EQ(sink.pixels().at(0), 0x0000FF00u);  // every pixel: D3d8Coverage.FrameWithoutDrawingIsClearGreen
  const std::vector<std::string> expected = {
      "Clear(0, NULL, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER, 0x0000FF00, 1, 0)", "BeginScene()", "EndScene()",
      "Present(NULL, NULL, NULL, NULL)"};
  EXPECT_EQ(trace, expected);
}

TEST_F(DeviceTest, FailedClearSkipsBeginScene) {
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  softwareDeviceConfig().failClear = true;
  softwareDeviceConfig().clearResult = D3DERR_DRIVERINTERNALERROR;
  trace.clear();
  EXPECT_EQ(beginFrame(), D3DERR_DRIVERINTERNALERROR);
  EXPECT_EQ(countLines("BeginScene"), 0);
  // No scene is open, so ending the frame fails at EndScene and presents nothing.
  EXPECT_EQ(endFrame(), D3DERR_INVALIDCALL);
  EXPECT_EQ(countLines("Present"), 0);
  EXPECT_EQ(sink.frameCount(), 0);
}

TEST_F(DeviceTest, FailedPresentIsReported) {
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  ASSERT_EQ(beginFrame(), D3D_OK);
  softwareDeviceConfig().failPresent = true;
  EXPECT_EQ(endFrame(), D3DERR_DEVICELOST);
  softwareDeviceConfig().failPresent = false;
  ASSERT_EQ(beginFrame(), D3D_OK);
  sink.setRefuse(true);  // the window went away
  EXPECT_LT(endFrame(), 0);
}

TEST_F(DeviceTest, ReleaseTwiceDoesNothingTheSecondTime) {
  releaseDevice();  // nothing created yet
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  for (int time = 0; time < 2; ++time) {
    releaseDevice();
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3D, nullptr);
  }
}

}  // namespace
