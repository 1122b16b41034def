// Device set-up, frame bracket and release of the presentation's one device.

#include "render/device.h"

#include <gtest/gtest.h>

#include <string>
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

TEST_F(DeviceTest, SetUpGivesTheStartingStatesAndFramesClearToGreen) {
  releaseDevice();  // nothing created yet: nothing to do
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  // The starting states: the scenes set their own before they draw, so only
  // a trace of the calls shows these.
  EXPECT_EQ(trace, (std::vector<std::string>{
                       "Direct3DCreate8(120)", "IDirect3D8::GetAdapterDisplayMode(0)",
                       "IDirect3D8::CreateDevice(0, 1, window, 0x40)", "SetRenderState(D3DRS_LIGHTING, FALSE)",
                       "SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)", "SetRenderState(D3DRS_CULLMODE, D3DCULL_CW)",
                       "SetRenderState(D3DRS_ZWRITEENABLE, TRUE)",
                       "SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR)",
                       "SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR)"}));
  trace.clear();
  ASSERT_EQ(beginFrame(), D3D_OK);
  ASSERT_EQ(endFrame(), D3D_OK);
  EXPECT_EQ(sink.pixels().at(0), 0x0000FF00u);  // every pixel: D3d8Coverage.FrameWithoutDrawingIsClearGreen
  const std::vector<std::string> expected = {
      "Clear(0, NULL, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER, 0x0000FF00, 1, 0)", "BeginScene()", "EndScene()",
      "Present(NULL, NULL, NULL, NULL)"};
  EXPECT_EQ(trace, expected);
  for (int time = 0; time < 2; ++time) {
    releaseDevice();
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3D, nullptr);
  }
}

// A failed set-up step stops the set-up with its result, and the frame calls
// then refuse rather than touch a missing device. Refused hardware vertex
// processing falls back to software and the run goes on as usual.
TEST_F(DeviceTest, SetUpStepsFailWithTheirResultOrFallBack) {
  const struct {
    bool noDirect3D, noDisplayMode;
    CreateDeviceFailure creation;
    HRESULT result;
    int creations;
  } cases[] = {
      {true, false, CreateDeviceFailure::kNone, D3DERR_NOTAVAILABLE, 0},
      {false, true, CreateDeviceFailure::kNone, D3DERR_WRONGTEXTUREFORMAT, 0},
      {false, false, CreateDeviceFailure::kAll, D3DERR_INVALIDDEVICE, 2},
      {false, false, CreateDeviceFailure::kHardwareVertexProcessing, D3D_OK, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    TearDown();
    trace.clear();
    SetUp();
    SoftwareDeviceConfig& config = softwareDeviceConfig();
    config.failDirect3DCreate8 = c.noDirect3D;
    config.failGetAdapterDisplayMode = c.noDisplayMode;
    config.failCreateDevice = c.creation;
    config.getAdapterDisplayModeResult = c.result;
    if (c.result != D3D_OK) config.createDeviceResult = c.result;
    EXPECT_EQ(setUpDevice(nullptr), c.result);
    EXPECT_EQ(device != nullptr, c.result == D3D_OK);
    EXPECT_EQ(countLines("IDirect3D8::CreateDevice"), c.creations);
    EXPECT_EQ(countLines("IDirect3D8::CreateDevice(0, 1, window, 0x20)"), c.creations / 2);  // the software retry
    EXPECT_EQ(beginFrame() == D3D_OK, c.result == D3D_OK);
    EXPECT_EQ(endFrame() == D3D_OK, c.result == D3D_OK);
  }
}

// (A failed present ends the whole run: the scenes' run tests.)
TEST_F(DeviceTest, FailedClearIsReported) {
  ASSERT_EQ(setUpDevice(nullptr), D3D_OK);
  softwareDeviceConfig().failClear = true;
  softwareDeviceConfig().clearResult = D3DERR_DRIVERINTERNALERROR;
  trace.clear();
  EXPECT_EQ(beginFrame(), D3DERR_DRIVERINTERNALERROR);
  // No scene is open, so ending the frame fails at EndScene and presents nothing.
  EXPECT_EQ(endFrame(), D3DERR_INVALIDCALL);
  EXPECT_EQ(countLines("BeginScene"), 0);
  EXPECT_EQ(countLines("Present"), 0);
}

}  // namespace
