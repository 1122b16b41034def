#include "codec/fitted_texture.h"

#include <gtest/gtest.h>

#include <set>

#include "support/recording_device.h"

namespace {

struct Fit {
  HRESULT result;
  UINT width, height, levels;
  D3DFORMAT format;
};

Fit fit(RecordingDevice& device, UINT width, UINT height, UINT levels = 1, D3DFORMAT format = D3DFMT_A8R8G8B8,
        DWORD usage = 0, D3DPOOL pool = D3DPOOL_DEFAULT) {
  Fit f{0, width, height, levels, format};
  f.result = checkTextureRequirements(&device, &f.width, &f.height, &f.levels, usage, &f.format, pool);
  return f;
}

TEST(FittedTextureSize, FollowsLimitsAndFillsInMissingSizes) {
  const struct {
    const char* what;
    DWORD textureCaps, maxAspect;
    UINT maxSize, width, height, fittedWidth, fittedHeight;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    UINT levels = 1, fittedLevels = 1;
  } cases[] = {
      {"supported", 0, 0, 4096, 256, 256, 256, 256},
      {"power of two", D3DPTEXTURECAPS_POW2, 0, 4096, 300, 200, 512, 256},
      {"aspect 2, wide", 0, 2, 4096, 512, 128, 256, 128},
      {"square only wins over the ratio", D3DPTEXTURECAPS_SQUAREONLY, 8, 4096, 256, 64, 64, 64},
      {"maximum", 0, 0, 256, 512, 512, 256, 256},
      {"a huge ratio limit does not wrap round", 0, 0x80000000u, 4096, 300, 20, 300, 20},
      {"no sizes", 0, 0, 4096, kNotGiven, kNotGiven, 256, 256},
      {"zero", 0, 0, 4096, 0, 0, 1, 1},
      {"block-compressed sizes round up to blocks", 0, 0, 4096, 30, 5, 32, 8, D3DFMT_DXT1},
      // A full chain only for power-of-two sizes on mipmapping devices.
      {"all levels", D3DPTEXTURECAPS_MIPMAP, 0, 4096, 256, 64, 256, 64, D3DFMT_A8R8G8B8, 0, 9},
      {"three levels", D3DPTEXTURECAPS_MIPMAP, 0, 4096, 256, 64, 256, 64, D3DFMT_A8R8G8B8, 3, 3},
      {"levels of no power of two", D3DPTEXTURECAPS_MIPMAP, 0, 4096, 300, 64, 300, 64, D3DFMT_A8R8G8B8, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingDevice device;
    device.caps.TextureCaps = c.textureCaps;
    device.caps.MaxTextureAspectRatio = c.maxAspect;
    device.caps.MaxTextureWidth = device.caps.MaxTextureHeight = c.maxSize;
    device.acceptedFormats.insert(c.format);
    const Fit f = fit(device, c.width, c.height, c.levels, c.format);
    EXPECT_EQ(f.result, D3D_OK);
    EXPECT_EQ(f.width, c.fittedWidth);
    EXPECT_EQ(f.height, c.fittedHeight);
    EXPECT_EQ(f.levels, c.fittedLevels);
    EXPECT_EQ(f.format, c.format);
    // The Direct3D object was taken and given back; the format was checked.
    EXPECT_EQ(device.direct3D.references, 0u);
    ASSERT_FALSE(device.checkedFormats.empty());
    EXPECT_EQ(device.checkedFormats.back(), c.format);
  }
  RecordingDevice device;
  UINT levels = 1;
  D3DFORMAT format = D3DFMT_A8R8G8B8;
  EXPECT_EQ(checkTextureRequirements(&device, nullptr, nullptr, &levels, 0, &format, D3DPOOL_DEFAULT), D3D_OK);
}

TEST(FittedTextureFormat, NearestAcceptedFormatStandsIn) {
  const struct {
    const char* what;
    std::set<D3DFORMAT> accepted;
    D3DFORMAT request, expected;  // D3DFMT_UNKNOWN: refused
  } cases[] = {
      {"no 8-bit alpha", {D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8R3G3B2}, D3DFMT_A8R8G8B8,
       D3DFMT_A1R5G5B5},
      {"added alpha costs only the alpha", {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5}, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
      // Equal distances: fewer bits per pixel win, even later in the table.
      {"palette for palette", {D3DFMT_A8R8G8B8, D3DFMT_P8}, D3DFMT_A8P8, D3DFMT_P8},
      {"nothing near", {D3DFMT_D16}, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN},
      // Palette, luminance and bump formats stand in only for their own kind.
      {"special kinds for colour", {D3DFMT_P8, D3DFMT_L8, D3DFMT_V8U8}, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN},
      {"luminance", {D3DFMT_P8, D3DFMT_L8, D3DFMT_V8U8}, D3DFMT_A8L8, D3DFMT_L8},
      // The requested format is taken as soon as the device accepts it, even
      // one that may never stand in for another.
      {"accepted as asked", {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8}, D3DFMT_R8G8B8, D3DFMT_R8G8B8},
      {"packed never stands in", {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8}, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingDevice device;
    device.acceptedFormats = c.accepted;
    const Fit f = fit(device, 64, 64, 1, c.request);
    if (c.expected == D3DFMT_UNKNOWN) {
      EXPECT_EQ(f.result, D3DERR_NOTAVAILABLE);
      EXPECT_EQ(f.format, c.request);  // nothing written back
    } else {
      EXPECT_EQ(f.format, c.expected);
    }
    EXPECT_EQ(device.direct3D.references, 0u);
  }
}

// (Textures created with the fitted size and format show in the texture
// building tests.)
TEST(FittedTextureErrors, BadArgumentsAreInvalidCallsAndRefusedFitsCreateNothing) {
  RecordingDevice device;
  UINT w = 64, h = 64, l = 1;
  D3DFORMAT f = D3DFMT_A8R8G8B8;
  IDirect3DTexture8* texture = nullptr;
  EXPECT_EQ(checkTextureRequirements(nullptr, &w, &h, &l, 0, &f, D3DPOOL_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, D3DUSAGE_WRITEONLY).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, 0, static_cast<D3DPOOL>(3)).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(createFittedTexture(&device, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, nullptr),
            D3DERR_INVALIDCALL);
  device.acceptedFormats.clear();
  EXPECT_EQ(createFittedTexture(&device, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
            D3DERR_NOTAVAILABLE);
  EXPECT_TRUE(device.textures.empty());
}

}  // namespace
