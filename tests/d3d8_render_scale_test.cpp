// The device at a finer render scale: the presentation still sees a
// 640 x 480 screen, each of its pixels drawn as scale x scale samples, and
// supersampled pictures average them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/d3d8/sample_average.h"
#include "support/d3d8_test_device.h"
#include "support/png_compare.h"

namespace {

constexpr RenderResolution kScale2{2, false};
constexpr int kWidth2 = 1280, kHeight2 = 960;
constexpr float kPi = 3.14159265f;

void begin(TestDevice& d) {
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
}

// Samples whose RGB is not black, and the bounding box of them.
struct Covered {
  int count = 0, x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool operator==(const Covered&) const = default;
};
void PrintTo(const Covered& c, std::ostream* out) {
  *out << c.count << " samples in (" << c.x0 << ", " << c.y0 << ") .. (" << c.x1 << ", " << c.y1 << ")";
}
Covered covered(const std::vector<std::uint32_t>& frame, int width) {
  Covered c;
  for (std::size_t i = 0; i < frame.size(); ++i) {
    if ((frame[i] & 0xFFFFFF) == 0) continue;
    const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
    ++c.count;
    c.x0 = std::min(c.x0, x), c.y0 = std::min(c.y0, y), c.x1 = std::max(c.x1, x), c.y1 = std::max(c.y1, y);
  }
  return c;
}

// A fan of thin additive triangles around one centre, edges off the pixel
// grid, a tilted plane drawn twice at the same depth with and without ZBIAS
// inside a smaller viewport, and one triangle of each winding under
// clockwise culling.
void drawFinerGridScene(TestDevice& d) {
  begin(d);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  std::vector<PretransformedVertex> fan = {{160.25f, 120.25f, 0.5f, 1, 0xFF404040, 0, 0}};
  for (int i = 0; i <= 24; ++i) {
    const float angle = 2 * kPi * static_cast<float>(i) / 24;
    fan.push_back({160.25f + 100.3f * std::cos(angle), 120.25f + 100.3f * std::sin(angle), 0.5f, 1, 0xFF404040, 0, 0});
  }
  d.drawScreen(fan, D3DPT_TRIANGLEFAN);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

  const D3DVIEWPORT8 viewport{330, 20, 300, 225, 0, 1};
  d->SetViewport(&viewport);
  d->SetRenderState(D3DRS_ZENABLE, TRUE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  const D3DMATRIX projection = perspectiveLH(kPi / 4, 4.0f / 3.0f, 0.1f, 100.0f);
  const D3DMATRIX view = lookAtLH({0, 0, -4}, {0, 0, 0}, {0, 1, 0});
  d->SetTransform(D3DTS_PROJECTION, &projection);
  d->SetTransform(D3DTS_VIEW, &view);
  // Wider than the viewport: its sides are cut by the viewport's edges.
  const std::vector<MeshVertex112> plane = {{-3, -1.2f, -0.5f, 0, 0, -1, 0, 0}, {3, -1.2f, -0.5f, 0, 0, -1, 1, 0},
                                            {-3, 1.2f, 1.5f, 0, 0, -1, 0, 1},  {3, 1.2f, 1.5f, 0, 0, -1, 1, 1}};
  const std::vector<std::uint16_t> indices = {0, 1, 2, 1, 3, 2};
  d->SetTexture(0, d.texture(1, 1, [](UINT, UINT) { return 0xFFFFFFFFu; }));
  d->SetRenderState(D3DRS_ZBIAS, 15);
  d.drawMesh(plane, indices);
  d->SetTexture(0, d.texture(1, 1, [](UINT, UINT) { return 0xFFFF0000u; }));
  d->SetRenderState(D3DRS_ZBIAS, 0);
  d.drawMesh(plane, indices);  // loses to the biased copy everywhere
  d->SetTexture(0, nullptr);

  const D3DVIEWPORT8 full{0, 0, 640, 480, 0, 1};
  d->SetViewport(&full);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  d.drawScreen(screenTriangle(40.5f, 300, 40.5f, 460, 280.5f, 300, 0xFF0000FF));  // counter-clockwise: stays
  d.drawScreen(screenTriangle(360, 300, 600, 300, 360, 460, 0xFFFF0000));        // clockwise: culled
}

}  // namespace

TEST(D3d8RenderScale, FillRulesHoldOnTheFinerGrid) {
  // Corners in screen pixels; the samples each square covers at scale 2.
  const struct {
    float x0, y0, x1, y1;
    Covered expected;
  } cases[] = {
      {10, 10, 20, 20, {400, 20, 20, 39, 39}},               // edges on samples: top and left included
      {10.5f, 10.5f, 20, 20, {361, 21, 21, 39, 39}},         // half a pixel is one sample
      {10.25f, 10.25f, 20.25f, 20.25f, {400, 21, 21, 40, 40}},  // between samples
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x0);
    TestDevice d(kScale2);
    begin(d);
    d.drawScreen(screenQuad(c.x0, c.y0, c.x1, c.y1, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(covered(d.present(), kWidth2), c.expected);
  }
}

// The golden shows no red (the biased plane wins, the clockwise triangle is
// culled), no fan sample drawn twice, and the plane cut at the viewport's
// sides (330 and 630 screen pixels).
TEST(D3d8RenderScale, SharedEdgesViewportZBiasAndCullingAtScale2) {
  TestDevice d(kScale2);
  drawFinerGridScene(d);
  EXPECT_TRUE(matchesGolden("scale2_grid_viewport_zbias_cull", d.present(), kWidth2, kHeight2));
}

TEST(D3d8Supersampling, PictureIsTheAverageOfTheScale2Samples) {
  std::vector<std::uint32_t> samples;
  {
    TestDevice d(kScale2);
    drawFinerGridScene(d);
    samples = d.present();
  }
  TestDevice d({1, true});
  drawFinerGridScene(d);
  const auto& picture = d.present();
  ASSERT_EQ(d.frameWidth(), 640);
  std::vector<std::uint32_t> expected(640 * 480);
  averageSampleBlocks(samples.data(), kWidth2, expected.data(), 640, 480);
  EXPECT_TRUE(picture == expected);
  EXPECT_TRUE(matchesGolden("supersampled_grid_viewport_zbias_cull", picture, 640, 480));
}

TEST(D3d8Supersampling, BlocksAverageRoundedOnEveryWidth) {
  std::mt19937 random(7);
  for (int width : {1, 2, 3, 7, 16}) {
    std::vector<std::uint32_t> samples(static_cast<std::size_t>(2 * width + 3) * 4);
    for (std::uint32_t& s : samples) s = random();
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(width) * 2);
    averageSampleBlocks(samples.data(), 2 * width + 3, picture.data(), width, 2);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t* top = &samples[static_cast<std::size_t>(2 * y) * (2 * width + 3) + 2 * x];
        const std::uint32_t* bottom = top + 2 * width + 3;
        for (int shift = 0; shift < 32; shift += 8) {
          const auto channel = [shift](std::uint32_t p) { return (p >> shift) & 255; };
          const std::uint32_t sum = channel(top[0]) + channel(top[1]) + channel(bottom[0]) + channel(bottom[1]);
          ASSERT_EQ(channel(picture[static_cast<std::size_t>(y) * width + x]), (sum + 2) / 4)
              << "width " << width << " at " << x << "," << y;
        }
      }
    }
  }
}

namespace {

// A sink whose size the test changes, as a window's changes when resized.
class ResizingSink : public MemoryFrameSink {
 public:
  int fittingRenderScale(int maxScale) const override { return std::min(fitting, maxScale); }
  unsigned sizeGeneration() const override { return generation; }
  int fitting = 1;
  unsigned generation = 0;
};

void presentCleared(TestDevice& d, DWORD colour) {
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
  d->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

// An automatic render scale is chosen again after the sink changed size:
// the frame after the change comes at the new scale, drawn whole; a fixed
// scale stays.
TEST(D3d8RenderScale, AutomaticScaleFollowsTheSinkSize) {
  TestDevice d({0, false});
  ASSERT_TRUE(d.ok());
  ResizingSink sink;
  setFrameSink(&sink);
  presentCleared(d, 0xFF204060);
  EXPECT_EQ(sink.width(), 640);

  sink.fitting = 3;
  presentCleared(d, 0xFF204060);
  EXPECT_EQ(sink.width(), 640) << "no size change announced";
  sink.generation = 1;
  presentCleared(d, 0xFF204060);
  EXPECT_EQ(sink.width(), 640) << "this frame was drawn before the change was seen";
  presentCleared(d, 0xFF306090);
  ASSERT_EQ(sink.width(), 1920);
  EXPECT_EQ(sink.height(), 1440);
  EXPECT_EQ(sink.pixel(1919, 1439), 0xFF306090u) << "the whole finer picture is drawn";

  sink.fitting = 1;
  sink.generation = 2;
  presentCleared(d, 0xFF306090);
  presentCleared(d, 0xFF306090);
  EXPECT_EQ(sink.width(), 640) << "back to scale 1 in a small window";
  setFrameSink(nullptr);

  TestDevice fixed({1, true});
  ResizingSink other;
  setFrameSink(&other);
  other.fitting = 2;
  other.generation = 5;
  presentCleared(fixed, 0xFF000000);
  presentCleared(fixed, 0xFF000000);
  EXPECT_EQ(other.width(), 640) << "a fixed scale keeps its size";
  setFrameSink(nullptr);
}
