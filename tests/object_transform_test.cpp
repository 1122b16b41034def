#include "render/object_transform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

#include "support/recording_device.h"

namespace {

D3DMATRIX worldAfter(float scale, float angle) {
  ScopedRecordingDevice fake;
  setObjectTransform(scale, angle);
  EXPECT_EQ(fake->calls.size(), 1u);
  EXPECT_EQ(fake->calls.at(0), "SetTransform 256");
  return fake->transforms[D3DTS_WORLD];
}

void expectMatrix(const D3DMATRIX& m, const float (&expected)[16], float tolerance) {
  float actual[16];
  std::memcpy(actual, &m, sizeof actual);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

// A quarter turn takes the object's +x axis to −z; the sink of 35 is scaled
// but not turned.
TEST(ObjectTransform, SinksThenScalesThenTurns) {
  const float s = 0.5f;
  expectMatrix(worldAfter(s, std::numbers::pi_v<float> / 2), {0, 0, -s, 0, 0, s, 0, 0, s, 0, 0, 0, 0, -35 * s, 0, 1},
               1e-6f);
}

// Colour, position, normalised direction and range are read back in the
// scenes' call sequences; what is left is that nothing else keeps old bytes
// and that a zero direction stays zero instead of dividing by its length.
TEST(InitLight, ClearsEverythingItDoesNotSet) {
  D3DLIGHT8 light;
  std::memset(&light, 0x7F, sizeof light);
  initLight(&light, D3DLIGHT_DIRECTIONAL, 1.0f, 0.5f, 2.0f, 0.5f);
  D3DLIGHT8 rest = light;
  rest.Type = D3DLIGHTTYPE{};
  rest.Diffuse = D3DCOLORVALUE{};
  rest.Position = D3DVECTOR{};
  rest.Direction = D3DVECTOR{};
  rest.Range = 0;
  const D3DLIGHT8 zero{};
  EXPECT_EQ(std::memcmp(&rest, &zero, sizeof rest), 0);

  initLight(&light, D3DLIGHT_DIRECTIONAL, 0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_TRUE(light.Direction.x == 0 && light.Direction.y == 0 && light.Direction.z == 0);
}

}  // namespace
