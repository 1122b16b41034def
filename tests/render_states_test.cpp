#include "render/render_states.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_device.h"

namespace {

using Calls = std::vector<std::string>;

void expectGrey(const D3DCOLORVALUE& c, float level, float alpha) {
  EXPECT_FLOAT_EQ(c.r, level);
  EXPECT_FLOAT_EQ(c.g, level);
  EXPECT_FLOAT_EQ(c.b, level);
  EXPECT_EQ(c.a, alpha);
}

TEST(RenderStatePresets, EachIssuesExactlyItsStatesInOrder) {
  struct Case {
    void (*preset)();
    Calls expected;
  };
  const Case cases[] = {
      {cullClockwise, {"SetRenderState 22 2"}},
      {cullNone, {"SetRenderState 22 1"}},
      {blendAdditive, {"SetRenderState 27 1", "SetRenderState 19 2", "SetRenderState 20 2"}},
      {blendAlpha, {"SetRenderState 27 1", "SetRenderState 19 5", "SetRenderState 20 6"}},
      {blendOff, {"SetRenderState 27 0"}},
      {depthOn, {"SetRenderState 7 1"}},
      {depthOff, {"SetRenderState 7 0"}},
  };
  for (const Case& c : cases) {
    ScopedRecordingDevice fake;
    c.preset();
    EXPECT_EQ(fake->calls, c.expected);
  }
}

TEST(RenderStatePresets, RepeatedPresetsAreNotCachedAndDepthBiasPassesItsBits) {
  ScopedRecordingDevice fake;
  blendOff();
  blendOff();
  setDepthBias(15);
  setDepthBias(0);
  setDepthBias(-1);
  EXPECT_EQ(fake->calls, (Calls{"SetRenderState 27 0", "SetRenderState 27 0", "SetRenderState 47 15",
                                "SetRenderState 47 0", "SetRenderState 47 4294967295"}));
}

TEST(GreyMaterial, ScalesDiffuseAmbientAndPowerAndClearsTheRest) {
  ScopedRecordingDevice fake;
  setGreyMaterial(1.0f, 0.6f, 0.4f, 0.5f);
  ASSERT_EQ(fake->calls, Calls{"SetMaterial"});
  const D3DMATERIAL8& m = fake->material;
  expectGrey(m.Diffuse, 0.5f, 1.0f);
  expectGrey(m.Ambient, 0.3f, 1.0f);
  EXPECT_FLOAT_EQ(m.Power, 0.2f);

  // A zero fade level still leaves both alphas at 1; nothing of an earlier
  // call survives in specular or emissive.
  setGreyMaterial(0.3f, 0.1f, 0.2f, 0.0f);
  const D3DMATERIAL8& faded = fake->material;
  EXPECT_EQ(faded.Diffuse.r, 0.0f);
  expectGrey(faded.Diffuse, 0.0f, 1.0f);
  expectGrey(faded.Ambient, 0.0f, 1.0f);
  EXPECT_EQ(faded.Power, 0.0f);
  for (const D3DCOLORVALUE& c : {faded.Specular, faded.Emissive}) expectGrey(c, 0.0f, 0.0f);
}

}  // namespace
