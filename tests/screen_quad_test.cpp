#include "render/screen_quad.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

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
  // 480 down: the top edge sits on the bottom of the screen, nothing shows.
  drawScreenQuadShifted(480.0f);
  EXPECT_EQ(drawn()[0].y, 480.0f);
  // 240 up: the quad's lower half (v from about 0.5) covers the upper half.
  drawScreenQuadShifted(-240.0f);
  EXPECT_EQ(drawn()[0].y, -240.0f);
  EXPECT_EQ(drawn()[3].y, 240.0f);
  // The template itself is untouched by the shifts.
  EXPECT_EQ(kScreenQuadTemplate[0].y, 0.0f);
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

}  // namespace
