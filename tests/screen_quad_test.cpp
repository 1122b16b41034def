// The screen quad: its buffer and failures on a recording device, and what it
// covers on the software device, pixel by pixel.
#include "render/screen_quad.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/render_states.h"
#include "support/d3d8_test_device.h"
#include "support/recording_device.h"

namespace {

using Calls = std::vector<std::string>;

// Without a buffer, or with one that will not lock, nothing is drawn; the
// buffer is filled once from the template and let go on release.
TEST(ScreenQuadBuffer, FilledOnceFromTheTemplateAndNothingDrawnWithoutIt) {
  ScopedRecordingDevice fake;
  fake->failVertexBuffer = true;
  EXPECT_LT(createScreenQuad(), 0);
  EXPECT_EQ(screenQuadBuffer, nullptr);
  drawScreenQuadLevel(255);
  drawScreenQuadShifted(10.0f);

  fake->failVertexBuffer = false;
  fake->calls.clear();
  ASSERT_EQ(createScreenQuad(), D3D_OK);
  EXPECT_EQ(fake->calls, (Calls{"CreateVertexBuffer 112 8 324 0", "Lock 0 0 0", "Unlock"}));
  EXPECT_EQ(std::memcmp(fake->vertexBuffers[0]->data.data(), kScreenQuadTemplate, 112), 0);
  fake->vertexBuffers[0]->failLock = true;
  drawScreenQuadLevel(255);
  EXPECT_TRUE(fake->drawnVertexData.empty());
  releaseScreenQuad();
  EXPECT_EQ(fake->vertexBuffers[0]->references, 0u);
  EXPECT_EQ(screenQuadBuffer, nullptr);
}

class ScreenQuadOnSoftwareDevice : public ::testing::Test {
 protected:
  static constexpr DWORD kClearColour = 0x0000FF00;

  void SetUp() override {
    ASSERT_TRUE(d.ok());
    d.install();
    ASSERT_EQ(createScreenQuad(), D3D_OK);
  }
  void TearDown() override { releaseScreenQuad(); }

  // One frame with the callers' usual overlay states around `draw`.
  const std::vector<std::uint32_t>& frame(void (*draw)()) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    d->BeginScene();
    cullNone();
    depthOff();
    blendOff();
    draw();
    return d.present();
  }

  // Rows [top, bottom) of the frame in colour `inside`, the rest in
  // `outside`; only red, green and blue are shown, so alpha is not compared.
  static void expectRows(const std::vector<std::uint32_t>& pixels, int top, int bottom, DWORD inside,
                         DWORD outside) {
    ASSERT_EQ(pixels.size(), 640u * 480u);
    int wrong = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const int y = static_cast<int>(i / 640);
      wrong += (pixels[i] & 0xFFFFFF) != (((y >= top && y < bottom) ? inside : outside) & 0xFFFFFF);
    }
    EXPECT_EQ(wrong, 0) << "rows " << top << " to " << bottom;
  }

  TestDevice d;
};

TEST_F(ScreenQuadOnSoftwareDevice, ShiftedQuadCoversWhatLiesOnScreen) {
  // A level quad covers every pixel once in the level's low byte.
  expectRows(frame([] { drawScreenQuadLevel(128); }), 0, 480, 0x80808080, kClearColour);
  expectRows(frame([] { drawScreenQuadLevel(300); }), 0, 480, 0x2C2C2C2C, kClearColour);
  expectRows(frame([] { drawScreenQuadShifted(0.0f); }), 0, 480, 0xFFFFFFFF, kClearColour);
  expectRows(frame([] { drawScreenQuadShifted(480.0f); }), 0, 0, 0xFFFFFFFF, kClearColour);
  expectRows(frame([] { drawScreenQuadShifted(-240.0f); }), 0, 240, 0xFFFFFFFF, kClearColour);
}

}  // namespace
