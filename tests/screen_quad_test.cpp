#include "render/screen_quad.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d8/software_device.h"
#include "render/render_states.h"
#include "support/recording_device.h"

namespace {

using Calls = std::vector<std::string>;

const Calls kDrawCalls{"Lock 0 0 0", "Unlock", "SetStreamSource 0 28", "SetVertexShader 324", "DrawPrimitive 5 0 2"};

std::vector<ScreenVertex> verticesOf(const std::vector<BYTE>& bytes) {
  std::vector<ScreenVertex> vertices(bytes.size() / sizeof(ScreenVertex));
  std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(ScreenVertex));
  return vertices;
}

class ScreenQuad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(createScreenQuad(), D3D_OK);
    fake->calls.clear();
  }
  void TearDown() override { releaseScreenQuad(); }

  // The vertices the last draw handed to the device.
  std::vector<ScreenVertex> drawn() {
    EXPECT_FALSE(fake->drawnVertexData.empty());
    return verticesOf(fake->drawnVertexData.back());
  }

  ScopedRecordingDevice fake;
};

TEST(ScreenQuadTemplate, CoversTheScreenJustInFrontOfTheFarPlane) {
  const float corners[4][4] = {{0, 0, 0, 0}, {640, 0, 0.99f, 0}, {0, 480, 0, 0.99f}, {640, 480, 0.99f, 0.99f}};
  for (int i = 0; i < 4; ++i) {
    const ScreenVertex& v = kScreenQuadTemplate[i];
    EXPECT_EQ(v.x, corners[i][0]);
    EXPECT_EQ(v.y, corners[i][1]);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(v.z), 0x3F7FFFEFu);
    EXPECT_EQ(v.rhw, 1.0f);
    EXPECT_EQ(v.diffuse, 0x00FFFFFFu);
    EXPECT_EQ(v.u, corners[i][2]);
    EXPECT_EQ(v.v, corners[i][3]);
  }
}

TEST(ScreenQuadCreation, FillsAWriteOnlyBufferWithTheTemplate) {
  ScopedRecordingDevice fake;
  ASSERT_EQ(createScreenQuad(), D3D_OK);
  EXPECT_EQ(fake->calls, (Calls{"CreateVertexBuffer 112 8 324 0", "Lock 0 0 0", "Unlock"}));
  ASSERT_EQ(fake->vertexBuffers.size(), 1u);
  EXPECT_EQ(std::memcmp(fake->vertexBuffers[0]->data.data(), kScreenQuadTemplate, 112), 0);
  EXPECT_EQ(screenQuadBuffer, fake->vertexBuffers[0].get());
  releaseScreenQuad();
  EXPECT_EQ(fake->vertexBuffers[0]->references, 0u);
  EXPECT_EQ(screenQuadBuffer, nullptr);
}

TEST_F(ScreenQuad, LevelUsesTheLowByteInEveryChannel) {
  const struct {
    UINT level;
    DWORD colour;
  } cases[] = {{0, 0x00000000}, {255, 0xFFFFFFFF}, {128, 0x80808080}, {300, 0x2C2C2C2C}, {256, 0}};
  for (const auto& c : cases) {
    fake->calls.clear();
    drawScreenQuadLevel(c.level);
    EXPECT_EQ(fake->calls, kDrawCalls);
    const std::vector<ScreenVertex> vertices = drawn();
    ASSERT_EQ(vertices.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(vertices[i].diffuse, c.colour) << "level " << c.level;
      ScreenVertex expected = kScreenQuadTemplate[i];
      expected.diffuse = c.colour;
      EXPECT_EQ(std::memcmp(&vertices[i], &expected, sizeof expected), 0) << "level " << c.level;
    }
  }
}

TEST_F(ScreenQuad, ShiftedQuadIsOpaqueWhiteAndMovesOnlyVertically) {
  for (const float dy : {0.0f, 480.0f, -240.0f}) {
    drawScreenQuadShifted(dy);
    const std::vector<ScreenVertex> vertices = drawn();
    ASSERT_EQ(vertices.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const ScreenVertex& from = kScreenQuadTemplate[i];
      EXPECT_EQ(vertices[i].diffuse, 0xFFFFFFFFu);
      EXPECT_EQ(vertices[i].x, from.x);
      EXPECT_EQ(vertices[i].y, from.y + dy);
      EXPECT_EQ(vertices[i].z, from.z);
      EXPECT_EQ(vertices[i].u, from.u);
      EXPECT_EQ(vertices[i].v, from.v);
    }
  }
}

TEST(ScreenQuadFailures, NoBufferOrAFailedLockDrawsNothing) {
  ScopedRecordingDevice fake;
  fake->failVertexBuffer = true;
  EXPECT_LT(createScreenQuad(), 0);
  EXPECT_EQ(screenQuadBuffer, nullptr);
  drawScreenQuadLevel(255);
  drawScreenQuadShifted(10.0f);
  EXPECT_TRUE(fake->drawnVertexData.empty());

  fake->failVertexBuffer = false;
  ASSERT_EQ(createScreenQuad(), D3D_OK);
  fake->vertexBuffers.back()->failLock = true;
  drawScreenQuadLevel(255);
  EXPECT_TRUE(fake->drawnVertexData.empty());
  releaseScreenQuad();
}

// The quad drawn by the software device over a cleared frame: what it
// covers on screen, pixel by pixel.
class ScreenQuadOnSoftwareDevice : public ::testing::Test {
 protected:
  static constexpr DWORD kClearColour = 0x0000FF00;

  void SetUp() override {
    resetSoftwareDeviceConfig();
    setFrameSink(&sink);
    direct3D = Direct3DCreate8(120);
    ASSERT_NE(direct3D, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 640;
    parameters.BackBufferHeight = 480;
    parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                     &software),
              D3D_OK);
    previous = device;
    device = software;
    ASSERT_EQ(createScreenQuad(), D3D_OK);
  }

  void TearDown() override {
    releaseScreenQuad();
    device = previous;
    if (software != nullptr) software->Release();
    if (direct3D != nullptr) direct3D->Release();
    setFrameSink(nullptr);
    resetSoftwareDeviceConfig();
  }

  // One frame with the callers' usual overlay states around `draw`.
  const std::vector<std::uint32_t>& frame(void (*draw)()) {
    software->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    software->BeginScene();
    cullNone();
    depthOff();
    blendOff();
    draw();
    software->EndScene();
    software->Present(nullptr, nullptr, nullptr, nullptr);
    return sink.pixels();
  }

  // Rows [top, bottom) of the frame in colour `inside`, the rest in
  // `outside`; only red, green and blue are shown, so alpha is not compared.
  static void expectRows(const std::vector<std::uint32_t>& pixels, int top, int bottom, DWORD inside,
                         DWORD outside) {
    ASSERT_EQ(pixels.size(), 640u * 480u);
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const DWORD expected = ((y >= top && y < bottom) ? inside : outside) & 0xFFFFFF;
        if ((pixels[static_cast<size_t>(y) * 640 + x] & 0xFFFFFF) != expected && wrong++ < 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << pixels[y * 640 + x];
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  MemoryFrameSink sink;
  IDirect3D8* direct3D = nullptr;
  IDirect3DDevice8* software = nullptr;
  IDirect3DDevice8* previous = nullptr;
};

TEST_F(ScreenQuadOnSoftwareDevice, LevelQuadCoversEveryPixelOnce) {
  expectRows(frame([] { drawScreenQuadLevel(128); }), 0, 480, 0x80808080, kClearColour);
}

TEST_F(ScreenQuadOnSoftwareDevice, ShiftedQuadCoversWhatLiesOnScreen) {
  expectRows(frame([] { drawScreenQuadShifted(0.0f); }), 0, 480, 0xFFFFFFFF, kClearColour);
  expectRows(frame([] { drawScreenQuadShifted(480.0f); }), 0, 0, 0xFFFFFFFF, kClearColour);
  expectRows(frame([] { drawScreenQuadShifted(-240.0f); }), 0, 240, 0xFFFFFFFF, kClearColour);
}

}  // namespace
