// What the software device draws: coverage rules, depth, blending, lighting,
// clipping and sampling, checked pixel by pixel and against golden frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/spans_wide.h"
#include "render/math3d.h"
#include "support/d3d8_test_device.h"
#include "support/png_compare.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kPi = 3.14159265f;

std::uint32_t at(const std::vector<std::uint32_t>& frame, int x, int y) {
  return frame[static_cast<std::size_t>(y) * kWidth + x];
}

std::uint32_t checker(UINT x, UINT y, UINT cell, std::uint32_t a, std::uint32_t b) {
  return ((x / cell + y / cell) & 1) ? b : a;
}

// Where two frames first differ, for failure messages.
std::string firstDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  const auto i = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  return "first at (" + std::to_string(i % kWidth) + ", " + std::to_string(i / kWidth) + ")";
}

void beginBlack(TestDevice& d) {
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  d->BeginScene();
}

void filter(TestDevice& d, DWORD mode) {
  d->SetTextureStageState(0, D3DTSS_MINFILTER, mode);
  d->SetTextureStageState(0, D3DTSS_MAGFILTER, mode);
}

void overlayStates(TestDevice& d) {
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  filter(d, D3DTEXF_LINEAR);
}

void blendWith(TestDevice& d, DWORD source, DWORD destination, DWORD op = D3DBLENDOP_ADD) {
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, source);
  d->SetRenderState(D3DRS_DESTBLEND, destination);
  d->SetRenderState(D3DRS_BLENDOP, op);
}

void additive(TestDevice& d) { blendWith(d, D3DBLEND_ONE, D3DBLEND_ONE); }

// A UV sphere of radius `radius` whose normals have length `normalLength`.
void sphere(float radius, float normalLength, int rings, int segments, std::vector<MeshVertex112>* vertices,
            std::vector<std::uint16_t>* indices) {
  for (int r = 0; r <= rings; ++r) {
    const float theta = kPi * static_cast<float>(r) / static_cast<float>(rings);
    for (int s = 0; s <= segments; ++s) {
      const float phi = 2 * kPi * static_cast<float>(s) / static_cast<float>(segments);
      const float nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta), nz = std::sin(theta) * std::sin(phi);
      vertices->push_back({radius * nx, radius * ny, radius * nz, normalLength * nx, normalLength * ny,
                           normalLength * nz, static_cast<float>(s) / static_cast<float>(segments),
                           static_cast<float>(r) / static_cast<float>(rings)});
    }
  }
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const auto a = static_cast<std::uint16_t>(r * (segments + 1) + s);
      const auto b = static_cast<std::uint16_t>(a + segments + 1);
      // Counter-clockwise on screen where the surface faces the camera, so
      // D3DCULL_CW removes the far side, as for the presentation's meshes.
      indices->insert(indices->end(), {a, b, static_cast<std::uint16_t>(a + 1)});
      indices->insert(indices->end(), {static_cast<std::uint16_t>(a + 1), b, static_cast<std::uint16_t>(b + 1)});
    }
  }
}

void cameraStates(TestDevice& d, const D3DVECTOR& eye = {0, 0, -4}, const D3DVECTOR& at = {0, 0, 0}) {
  const D3DMATRIX projection = perspectiveLH(kPi / 4, 4.0f / 3.0f, 0.1f, 100.0f);
  const D3DMATRIX view = lookAtLH(eye, at, {0, 1, 0});
  d->SetTransform(D3DTS_PROJECTION, &projection);
  d->SetTransform(D3DTS_VIEW, &view);
}

// Lighting on, a material and one white directional light of `level`.
void lightWith(TestDevice& d, D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, float level, D3DVECTOR direction) {
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DMATERIAL8 material{};
  material.Diffuse = diffuse;
  material.Ambient = ambient;
  d->SetMaterial(&material);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {level, level, level, 0};
  light.Direction = direction;
  d->SetLight(0, &light);
  d->LightEnable(0, TRUE);
}

// Draws the same frame with the widest span routines this processor runs,
// with the AVX2 ones where those are narrower, with the one-pixel ones (an
// alpha test that always passes forces them) and with the four-pixel ones
// only; all must agree. Returns the frame.
std::vector<std::uint32_t> expectSameOnEveryPath(const std::function<void(TestDevice&)>& draw) {
  struct Path {
    const char* name;
    raster::WideSpans widest;
    bool alphaTest;
  };
  std::vector<Path> paths = {{"widest", raster::WideSpans::kAvx512, false},
                             {"one-pixel", raster::WideSpans::kAvx512, true},
                             {"four-pixel", raster::WideSpans::kNone, false}};
  if (raster::wideSpans() == raster::WideSpans::kAvx512) paths.push_back({"AVX2", raster::WideSpans::kAvx2, false});
  std::vector<std::vector<std::uint32_t>> frames;
  for (const Path& path : paths) {
    raster::limitWideSpans(path.widest);
    TestDevice d;
    beginBlack(d);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, path.alphaTest ? TRUE : FALSE);
    draw(d);
    frames.push_back(d.present());
  }
  raster::limitWideSpans(raster::WideSpans::kAvx512);
  for (std::size_t i = 1; i < paths.size(); ++i) {
    EXPECT_TRUE(frames[0] == frames[i]) << paths[i].name << " path, " << firstDifference(frames[0], frames[i]);
  }
  return frames[0];
}

}  // namespace

// --- coverage ---------------------------------------------------------------

TEST(D3d8Coverage, FrameWithoutDrawingIsClearGreen) {
  TestDevice d;
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00, 1.0f, 0);
  d->BeginScene();
  EXPECT_TRUE(matchesGolden("clear_green", d.present(), kWidth, kHeight));
}

TEST(D3d8Coverage, FullScreenQuadCoversEveryPixelOnce) {
  // Edges on pixel centres (the golden frame) and on pixel borders.
  for (const float edge : {0.0f, -0.5f}) {
    SCOPED_TRACE(edge);
    TestDevice d;
    beginBlack(d);
    overlayStates(d);
    additive(d);
    d.drawScreen(screenQuad(edge, edge, 640 + edge, 480 + edge, 0.5f, 0x01010101));
    const auto& frame = d.present();
    for (std::uint32_t p : frame) ASSERT_EQ(p, 0xFF010101u);  // black clear has alpha 255: 255 + 1 saturates
    if (edge == 0) {
      EXPECT_TRUE(matchesGolden("quad_additive_level1", frame, kWidth, kHeight));
    }
  }
}

TEST(D3d8Coverage, ClockwiseCullingAgainstNone) {
  TestDevice d;
  beginBlack(d);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  // Default culling drops a counter-clockwise triangle where the red one goes.
  d.drawScreen(screenTriangle(40, 40, 40, 200, 280, 40, 0xFFFFFFFF));
  // Left: clockwise on screen (red); right: counter-clockwise (blue). Top
  // half culls clockwise (only blue stays), the bottom half culls nothing.
  for (const DWORD cull : {D3DCULL_CW, D3DCULL_NONE}) {
    const float y = cull == D3DCULL_CW ? 0 : 240;
    d->SetRenderState(D3DRS_CULLMODE, cull);
    d.drawScreen(screenTriangle(40, 40 + y, 280, 40 + y, 40, 200 + y, 0xFFFF0000));
    d.drawScreen(screenTriangle(360, 40 + y, 360, 200 + y, 600, 40 + y, 0xFF0000FF));
  }
  EXPECT_TRUE(matchesGolden("cull_cw_vs_none", d.present(), kWidth, kHeight));
}

// --- depth -------------------------------------------------------------------

TEST(D3d8Depth, LessEqualTestWriteSwitchAndPretransformedRange) {
  TestDevice d;
  beginBlack(d);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  // Pre-transformed depth outside [0, 1] is dropped.
  d.drawScreen(screenQuad(0, 300, 100, 400, 1.5f, 0xFFFFFFFF));
  d.drawScreen(screenQuad(100, 300, 200, 400, -0.25f, 0xFFFFFFFF));
  d.drawScreen(screenQuad(200, 300, 300, 400, 0.999999f, 0xFFFFFFFF));
  d.drawScreen(screenQuad(0, 0, 100, 100, 0.5f, 0xFFFF0000));
  d.drawScreen(screenQuad(0, 0, 100, 100, 0.5f, 0xFF00FF00));  // equal depth passes
  d.drawScreen(screenQuad(0, 0, 50, 100, 0.6f, 0xFF0000FF));   // behind: fails
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d.drawScreen(screenQuad(100, 0, 200, 100, 0.2f, 0xFFFFFFFF));  // drawn, depth kept at 1
  d.drawScreen(screenQuad(100, 0, 200, 100, 0.9f, 0xFFFF00FF));  // still in front of 1.0
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d.drawScreen(screenQuad(0, 100, 100, 200, 1.0f, 0xFF00FFFF));  // no test at all
  const auto& frame = d.present();
  EXPECT_EQ(at(frame, 25, 50) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(at(frame, 150, 50) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(at(frame, 50, 150) & 0xFFFFFF, 0x00FFFFu);
  EXPECT_EQ(at(frame, 50, 350) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(frame, 150, 350) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(frame, 250, 350) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(D3d8Depth, CoplanarMeshWithZBias15Wins) {
  TestDevice d;
  beginBlack(d);
  cameraStates(d);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  // A tilted plane, so depth varies across it.
  auto plane = [](float x0, float x1) {
    return std::vector<MeshVertex112>{{x0, -1.2f, -0.5f, 0, 0, -1, 0, 0},
                                      {x1, -1.2f, -0.5f, 0, 0, -1, 1, 0},
                                      {x0, 1.2f, 1.5f, 0, 0, -1, 0, 1},
                                      {x1, 1.2f, 1.5f, 0, 0, -1, 1, 1}};
  };
  const std::vector<std::uint16_t> indices = {0, 1, 2, 1, 3, 2};
  IDirect3DTexture8* red = d.texture(1, 1, [](UINT, UINT) { return 0xFFFF0000u; });
  IDirect3DTexture8* white = d.texture(1, 1, [](UINT, UINT) { return 0xFFFFFFFFu; });
  // Left half: plain first, biased second. Right half: biased first, plain second.
  d->SetTexture(0, red);
  d->SetRenderState(D3DRS_ZBIAS, 0);
  d.drawMesh(plane(-1.5f, 0), indices);
  d->SetTexture(0, white);
  d->SetRenderState(D3DRS_ZBIAS, 15);
  d.drawMesh(plane(-1.5f, 0), indices);
  d.drawMesh(plane(0, 1.5f), indices);
  d->SetTexture(0, red);
  d->SetRenderState(D3DRS_ZBIAS, 0);
  d.drawMesh(plane(0, 1.5f), indices);
  EXPECT_TRUE(matchesGolden("zbias_coplanar", d.present(), kWidth, kHeight));  // all white
}

// --- blending ----------------------------------------------------------------

TEST(D3d8Blend, AlphaBlendingOverOpaquePicture) {
  TestDevice d;
  beginBlack(d);
  overlayStates(d);
  IDirect3DTexture8* picture = d.texture(64, 64, [](UINT x, UINT y) { return checker(x, y, 8, 0xFF2040C0, 0xFFE0C020); });
  // Alpha rises from left to right; colour is white.
  IDirect3DTexture8* fade = d.texture(256, 1, [](UINT x, UINT) { return (x << 24) | 0xFFFFFF; });
  d->SetTexture(0, picture);
  d.drawScreen(screenQuad(0, 0, 640, 480, 0.5f, 0xFFFFFFFF));
  blendWith(d, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
  d->SetTexture(0, fade);
  d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  d.drawScreen(screenQuad(0, 240, 640, 480, 0.5f, 0xFFFFFFFF));
  EXPECT_TRUE(matchesGolden("blend_alpha_over_picture", d.present(), kWidth, kHeight));
}

TEST(D3d8Blend, ReverseSubtractDarkens) {
  TestDevice d;
  beginBlack(d);
  overlayStates(d);
  IDirect3DTexture8* picture = d.texture(64, 64, [](UINT x, UINT y) { return checker(x, y, 16, 0xFF808080, 0xFFF0A060); });
  IDirect3DTexture8* white = d.texture(1, 1, [](UINT, UINT) { return 0xFFFFFFFFu; });
  d->SetTexture(0, picture);
  d.drawScreen(screenQuad(0, 0, 640, 480, 0.5f, 0xFFFFFFFF));
  blendWith(d, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT);
  d->SetTexture(0, white);
  // The right half loses 100 per channel; 0x60 - 0x64 clamps at 0.
  d.drawScreen(screenQuad(320, 0, 640, 480, 0.5f, 0x64646464));
  EXPECT_TRUE(matchesGolden("blend_revsubtract", d.present(), kWidth, kHeight));
}

// Factor pairs without a fast path take the per-channel blend, where each
// factor weighs its own side: min(255, (s * Fs + d * Fd + 127) / 255), here
// for the source 0x40C08020 over 0x604020.
TEST(D3d8Blend, GenericFactorsWeighTheirOwnSide) {
  const struct {
    DWORD source, destination;
    std::uint32_t expected;
  } cases[] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0x906028},           // s * 0x40 + d * 255
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0x482004},         // s * d
      {D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCCOLOR, 0xC08020},  // s * (255 - d) + d * s
  };
  for (const auto& c : cases) {
    TestDevice d;
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF604020, 1.0f, 0);
    d->BeginScene();
    overlayStates(d);
    blendWith(d, c.source, c.destination);
    d.drawScreen(screenQuad(0, 0, 640, 480, 0.5f, 0x40C08020));
    EXPECT_EQ(at(d.present(), 320, 240) & 0xFFFFFF, c.expected) << c.source << "/" << c.destination;
  }
}

// Every 8-bit product, exhaustively: one off in a few of them changes few
// golden pixels or none.
TEST(D3d8Blend, ModulateRoundsToNearest) {
  for (std::uint32_t a = 0; a < 256; ++a) {
    for (std::uint32_t b = 0; b < 256; ++b) {
      ASSERT_EQ(mulDiv255(a, b), static_cast<std::uint32_t>(std::lround(a * b / 255.0)));
    }
  }
}

// --- sampling ----------------------------------------------------------------

TEST(D3d8Sampling, TextureCoordinatesBeyondOneWrap) {
  TestDevice d;
  beginBlack(d);
  overlayStates(d);
  filter(d, D3DTEXF_POINT);
  IDirect3DTexture8* tex = d.texture(4, 4, [](UINT x, UINT y) {
    return x < 2 ? (y < 2 ? 0xFFFF0000u : 0xFF00FF00u) : (y < 2 ? 0xFF0000FFu : 0xFFFFFF00u);
  });
  d->SetTexture(0, tex);
  // u runs -1..2 over 640 columns and v 0..3 down: three repeats each way.
  d.drawScreen(screenQuad(-0.5f, -0.5f, 639.5f, 479.5f, 0.5f, 0xFFFFFFFF, -1, 0, 2, 3));
  EXPECT_TRUE(matchesGolden("texcoord_wrap", d.present(), kWidth, kHeight));
}

// With nothing bound, stage 0 passes the diffuse colour and its alpha on.
TEST(D3d8Sampling, NoTextureTakesColourAndAlphaFromDiffuse) {
  TestDevice d;
  beginBlack(d);
  overlayStates(d);
  blendWith(d, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
  d.drawScreen(screenQuad(0, 0, 100, 100, 0.5f, 0x80336699));   // half over black
  d.drawScreen(screenQuad(100, 0, 200, 100, 0.5f, 0x00336699)); // alpha 0: nothing shows
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d.drawScreen(screenQuad(200, 0, 300, 100, 0.5f, 0x40336699));  // opaque: colour and alpha as given
  const auto& frame = d.present();
  EXPECT_EQ(at(frame, 50, 50) & 0xFFFFFF, 0x1A334Du);
  EXPECT_EQ(at(frame, 150, 50) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(frame, 250, 50), 0x40336699u);
}

// --- vertex stage --------------------------------------------------------------

// (Normals are neither renormalised nor is N.L left above 1: the contact
// sheet's golden frames show both.)
TEST(D3d8Lighting, DirectionalLightOnScaledWorldWithShortNormals) {
  TestDevice d;
  beginBlack(d);
  cameraStates(d);
  const D3DMATRIX world = scaling(0.02f);
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetRenderState(D3DRS_AMBIENT, 0x00202020);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  filter(d, D3DTEXF_LINEAR);
  lightWith(d, {1, 1, 1, 1}, {1, 1, 1, 1}, 0.8f, {1, -1, 1});
  d->SetTexture(0, d.texture(64, 64, [](UINT x, UINT y) { return checker(x, y, 8, 0xFFFFFFFF, 0xFFC04020); }));
  std::vector<MeshVertex112> vertices;
  std::vector<std::uint16_t> indices;
  // Radius 75 model units is 1.5 world units; normals of length 0.02 light
  // like unit normals after the 0.02 scale.
  sphere(75.0f, 0.02f, 24, 32, &vertices, &indices);
  d.drawMesh(vertices, indices);
  EXPECT_TRUE(matchesGolden("lit_textured_sphere", d.present(), kWidth, kHeight));
}

TEST(D3d8Lighting, NaNNormalsLightNothingOnEveryPath) {
  // A damaged mesh's NaN normals give NaN colours: every span routine draws
  // them as black; NaN positions draw nothing. Neither goes through an
  // out-of-range float-to-integer conversion, on any thread count.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const auto frame = expectSameOnEveryPath([nan](TestDevice& d) {
    cameraStates(d);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    lightWith(d, {1, 1, 1, 1}, {}, 0.6f, {0, 0, 5});
    d.drawMesh({{-1, -1, 0, nan, 0, -1, 0, 0}, {1, -1, 0, 0, nan, -1, 0, 0}, {0, 1, 0, 0, 0, nan, 0, 0}}, {0, 1, 2});
    d.drawMesh({{nan, -1, 0, 0, 0, -1, 0, 0}, {1, nan, 0, 0, 0, -1, 0, 0}, {0, 1, nan, 0, 0, -1, 0, 0}}, {0, 1, 2});
    d.drawScreen({{0, nan, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {640, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0}, {0, 480, 0.5f, 1, 0xFFFFFFFF, 0, 1}});
  });
  EXPECT_EQ(at(frame, 320, 250), 0xFF000000u);
}

TEST(D3d8Clipping, MeshCrossingTheNearPlane) {
  TestDevice d;
  beginBlack(d);
  cameraStates(d, {0, 1, 0}, {0, 0.6f, 1});
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  filter(d, D3DTEXF_LINEAR);
  d->SetTexture(0, d.texture(32, 32, [](UINT x, UINT y) { return checker(x, y, 4, 0xFFE0E0E0, 0xFF3050A0); }));
  // A floor from behind the eye to far ahead, and a wall the eye stands in.
  const std::vector<MeshVertex112> floor = {{-6, 0, -6, 0, 1, 0, 0, 0},
                                            {6, 0, -6, 0, 1, 0, 6, 0},
                                            {-6, 0, 30, 0, 1, 0, 0, 18},
                                            {6, 0, 30, 0, 1, 0, 6, 18}};
  d.drawMesh(floor, {0, 2, 1, 1, 2, 3});
  const std::vector<MeshVertex112> wall = {{0.5f, 0, -4, 0, 0, 0, 0, 0},
                                           {0.5f, 0, 20, 0, 0, 0, 12, 0},
                                           {0.5f, 3, -4, 0, 0, 0, 0, 1.5f},
                                           {0.5f, 3, 20, 0, 0, 0, 12, 1.5f}};
  d.drawMesh(wall, {0, 2, 1, 1, 2, 3});
  // A triangle wholly behind the eye draws nothing.
  d.drawMesh({{-1, 1, -10, 0, 0, 0, 0, 0}, {1, 1, -10, 0, 0, 0, 0, 0}, {0, 2, -10, 0, 0, 0, 0, 0}}, {0, 1, 2});
  EXPECT_TRUE(matchesGolden("near_plane_crossing", d.present(), kWidth, kHeight));
}

// --- fast paths ------------------------------------------------------------------

TEST(D3d8FastPaths, OverlaysMatchThePixelByPixelPath) {
  const DWORD blends[][3] = {{D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD},
                             {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT},
                             {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD},
                             {0, 0, 0}};  // no blending
  for (const auto& blend : blends) {
    SCOPED_TRACE(testing::Message() << "blend " << blend[0] << "/" << blend[1] << "/" << blend[2]);
    expectSameOnEveryPath([&blend](TestDevice& d) {
      overlayStates(d);
      d->SetTexture(0, d.texture(128, 64, [](UINT x, UINT y) { return ((x * 37 + y * 11) * 0x01030507u) | 0x20000000u; }));
      d.drawScreen(screenQuad(0, 0, 640, 480, 0.5f, 0xFFFFFFFF, 0, 0, 0.99f, 0.99f));
      if (blend[0] != 0) blendWith(d, blend[0], blend[1], blend[2]);
      // Odd edges and a sheared mapping, so spans end mid-group and v varies along a row.
      d.drawScreen({{3.3f, 2.6f, 0.5f, 1, 0x9060A0C0, -0.3f, 0.1f},
                    {617.7f, 20.2f, 0.5f, 1, 0x9060A0C0, 2.2f, 0.4f},
                    {10.1f, 471.5f, 0.5f, 1, 0x9060A0C0, -0.1f, 1.9f},
                    {631.9f, 455.0f, 0.5f, 1, 0x9060A0C0, 2.5f, 2.2f}});
      // Strips a few pixels wide whose texture runs across thousands of
      // texels: stepping past a span's end must not overflow.
      d.drawScreen(screenQuad(100, 300, 103.5f, 340, 0.5f, 0xFFFFFFFF, -100, 0, 100, 1));
      d.drawScreen(screenQuad(200, 300, 206.5f, 340, 0.5f, 0xFFFFFFFF, 120, 0, -120, 1));
      d.drawScreen(screenQuad(300, 300, 301.2f, 340, 0.5f, 0xFFFFFFFF, -120, 0, 120, 1));
    });
  }
}

// Axis-aligned bands whose texture steps from well under to just over one
// texel per pixel, starting at assorted offsets and wrapping many times, so
// rows read short runs of neighbouring texels, with and without a wrap.
TEST(D3d8FastPaths, AxisAlignedOverlaysMatchThePixelByPixelPath) {
  expectSameOnEveryPath([](TestDevice& d) {
    overlayStates(d);
    d->SetTexture(0, d.texture(64, 32, [](UINT x, UINT y) { return ((x * 53 + y * 29) * 0x01050B03u) | 0x40000000u; }));
    const float texelsPerPixel[] = {0.3f,  0.8f,  1.0f,  1.1f,  1.2f,  1.25f, 1.3f,  1.45f, 2.0f,  0.97f, 1.17f, 1.33f,
                                    0.86f, 0.88f, 0.9f,  0.92f, 0.93f, 0.95f, 0.96f, 0.98f, 0.99f, 0.87f, 0.91f, 0.94f};
    for (int band = 0; band < 24; ++band) {
      const float top = 20.0f * static_cast<float>(band), u0 = 0.37f * static_cast<float>(band) - 0.6f;
      const float u1 = u0 + texelsPerPixel[band] * 640.0f / 64.0f;
      d.drawScreen(screenQuad(1.7f * static_cast<float>(band), top, 640, top + 20, 0.5f, 0xFFFFFFFF, u0, 0.1f,
                              u1, 1.3f));
    }
  });
}

// Two overlapping textured spheres for each kind of mesh span: depth test
// on or off, depth writes on or off, opaque or blended, with Gouraud,
// flat or white diffuse colour.
TEST(D3d8FastPaths, TexturedMeshesMatchThePixelByPixelPath) {
  enum Light { kGouraud, kFlat, kWhite };
  struct Case {
    bool depth, depthWrite;
    DWORD source, destination, op;  // source 0: no blending
    Light light;
  };
  const Case cases[] = {
      {true, true, 0, 0, 0, kGouraud},
      {true, false, 0, 0, 0, kFlat},
      {false, false, 0, 0, 0, kFlat},
      {false, true, 0, 0, 0, kWhite},
      {true, true, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, kFlat},
      {true, false, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, kGouraud},
      {false, false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, kGouraud},
      {true, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, kWhite},
      {true, true, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, kFlat},
      {false, false, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT, kWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "depth " << c.depth << " write " << c.depthWrite << " blend " << c.source
                                    << "/" << c.destination << "/" << c.op << " light " << c.light);
    const std::vector<std::uint32_t> frame = expectSameOnEveryPath([&c](TestDevice& d) {
      cameraStates(d);
      d->SetRenderState(D3DRS_AMBIENT, 0x00303030);
      d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
      d->SetRenderState(D3DRS_ZBIAS, 3);
      filter(d, D3DTEXF_LINEAR);
      if (c.light == kWhite) {
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
      } else {
        lightWith(d, {0.9f, 0.8f, 0.7f, 1}, {1, 1, 1, 1}, 1.0f, {-1, -2, 1});
        if (c.light == kFlat) d->LightEnable(0, FALSE);  // ambient only: one colour
      }
      d->SetTexture(0, d.texture(32, 32, [](UINT x, UINT y) { return checker(x, y, 4, 0xFFFFFFFF, 0x702080F0); }));
      std::vector<MeshVertex112> vertices;
      std::vector<std::uint16_t> indices;
      sphere(1.4f, 1.0f, 20, 28, &vertices, &indices);
      d.drawMesh(vertices, indices);  // the first sphere always depth-tested and written
      d->SetRenderState(D3DRS_ZENABLE, c.depth ? D3DZB_TRUE : D3DZB_FALSE);
      d->SetRenderState(D3DRS_ZWRITEENABLE, c.depthWrite ? TRUE : FALSE);
      if (c.source != 0) blendWith(d, c.source, c.destination, c.op);
      D3DMATRIX shifted;
      mat4Translation(&shifted, 0.9f, 0.3f, 0.4f);
      d->SetTransform(D3DTS_WORLD, &shifted);
      d.drawMesh(vertices, indices);
      d.drawMesh(vertices, indices);  // again, over its own depth where it was written
    });
    EXPECT_GT(std::count_if(frame.begin(), frame.end(), [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; }), 50000);
  }
}

TEST(D3d8Coverage, RandomMeshOfSharedEdgesCoversEachPixelOnce) {
  // A grid of jittered vertices cut into triangles: with additive level 1,
  // a pixel drawn twice would show 2, a pixel missed would show 0.
  TestDevice d;
  beginBlack(d);
  overlayStates(d);
  additive(d);
  constexpr int kColumns = 23, kRows = 17;
  std::uint32_t seed = 12345;
  auto jitter = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
  };
  std::vector<PretransformedVertex> grid;
  for (int j = 0; j <= kRows; ++j) {
    for (int i = 0; i <= kColumns; ++i) {
      const bool inner = i > 0 && i < kColumns && j > 0 && j < kRows;
      const float x = 20.0f + 600.0f * static_cast<float>(i) / kColumns + (inner ? 20.0f * jitter() : 0.0f);
      const float y = 20.0f + 440.0f * static_cast<float>(j) / kRows + (inner ? 20.0f * jitter() : 0.0f);
      grid.push_back({x, y, 0.5f, 0.5f + 0.5f * static_cast<float>(i) / kColumns, 0x01010101, 0, 0});
    }
  }
  const auto corner = [&grid](int i, int j) { return grid[j * (kColumns + 1) + i]; };
  std::vector<PretransformedVertex> triangles;
  for (int j = 0; j < kRows; ++j) {
    for (int i = 0; i < kColumns; ++i) {
      triangles.insert(triangles.end(), {corner(i, j), corner(i + 1, j), corner(i, j + 1), corner(i + 1, j),
                                         corner(i + 1, j + 1), corner(i, j + 1)});
    }
  }
  d.drawScreen(triangles, D3DPT_TRIANGLELIST);
  const auto& frame = d.present();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t expected = (x >= 20 && x < 620 && y >= 20 && y < 460) ? 0x010101u : 0u;
      ASSERT_EQ(at(frame, x, y) & 0xFFFFFF, expected) << "pixel " << x << ", " << y;
    }
  }
}

// --- queued drawing -------------------------------------------------------------

// Draws run on the device's threads after the call returns; whatever changes
// what a queued draw reads must not reach it, and clears keep their place.
TEST(D3d8Queue, TextureChangesAfterADrawAndClearsKeepTheCallOrder) {
  TestDevice d;
  beginBlack(d);
  IDirect3DTexture8* shared = d.texture(4, 4, [](UINT, UINT) { return 0xFFFF0000u; });
  d->SetTexture(0, shared);
  d.drawScreen(screenQuad(0, 0, 640, 160, 0.5f, 0xFFFFFFFF));

  // The texture is refilled (green) through a system copy: the draw above
  // still shows red, the one below green.
  IDirect3DTexture8* system = d.systemTexture(4, 4, [](UINT, UINT) { return 0xFF00FF00u; });
  ASSERT_NE(system, nullptr);
  ASSERT_EQ(d->UpdateTexture(system, shared), D3D_OK);
  system->Release();
  d.drawScreen(screenQuad(0, 160, 640, 320, 0.5f, 0xFFFFFFFF));

  // A texture released right after its draw: the draw keeps its texels.
  IDirect3DTexture8* transient = d.systemTexture(4, 4, [](UINT, UINT) { return 0xFF0000FFu; });
  ASSERT_NE(transient, nullptr);
  d->SetTexture(0, transient);
  d.drawScreen(screenQuad(0, 320, 640, 480, 0.5f, 0xFFFFFFFF));
  d->SetTexture(0, nullptr);
  transient->Release();

  const D3DRECT corner = {0, 0, 16, 480};
  d->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  const auto& frame = d.present();
  for (int y = 0; y < 480; y += 7) {
    const std::uint32_t expected = y < 160 ? 0xFFFF0000u : y < 320 ? 0xFF00FF00u : 0xFF0000FFu;
    ASSERT_EQ(at(frame, 15, y), 0xFFFFFFFFu) << y;
    ASSERT_EQ(at(frame, 16, y), expected) << y;
    ASSERT_EQ(at(frame, 639, y), expected) << y;
  }
}
