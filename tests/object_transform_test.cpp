#include "render/object_transform.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

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
