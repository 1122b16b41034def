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

// With the callers' usual overlay states, a level quad covers every pixel
// once in the level's low byte, a shifted one the rows that lie on screen.
TEST(ScreenQuadOnSoftwareDevice, ShiftedQuadCoversWhatLiesOnScreen) {
  TestDevice d;
  d.install();
  ASSERT_EQ(createScreenQuad(), D3D_OK);
  // Rows [top, bottom) in colour `inside`, the rest in the green of the
  // clear; alpha is not compared.
  const auto expectRows = [&d](void (*draw)(), int top, int bottom, DWORD inside) {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00, 1.0f, 0);
    d->BeginScene();
    cullNone();
    depthOff();
    blendOff();
    draw();
    const std::vector<std::uint32_t>& pixels = d.present();
    int wrong = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const int y = static_cast<int>(i / 640);
      wrong += (pixels[i] & 0xFFFFFF) != ((y >= top && y < bottom) ? inside : 0x00FF00u);
    }
    EXPECT_EQ(wrong, 0) << "rows " << top << " to " << bottom;
  };
  expectRows([] { drawScreenQuadLevel(128); }, 0, 480, 0x808080);
  expectRows([] { drawScreenQuadLevel(300); }, 0, 480, 0x2C2C2C);
  expectRows([] { drawScreenQuadShifted(0.0f); }, 0, 480, 0xFFFFFF);
  expectRows([] { drawScreenQuadShifted(480.0f); }, 0, 0, 0xFFFFFF);
  expectRows([] { drawScreenQuadShifted(-240.0f); }, 0, 240, 0xFFFFFF);
  releaseScreenQuad();
}

}  // namespace
