#include "codec/fitted_texture.h"

#include <gtest/gtest.h>

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

void expectSize(const Fit& f, UINT width, UINT height) {
  EXPECT_EQ(f.result, D3D_OK);
  EXPECT_EQ(f.width, width);
  EXPECT_EQ(f.height, height);
}

TEST(FittedTextureSize, SupportedRequestIsUnchanged) {
  RecordingDevice device;
  const Fit f = fit(device, 256, 256);
  expectSize(f, 256, 256);
  EXPECT_EQ(f.levels, 1u);
  EXPECT_EQ(f.format, D3DFMT_A8R8G8B8);
  // The Direct3D object was taken and given back; formats were checked for
  // textures of the display format, with the request's usage.
  EXPECT_EQ(device.direct3D.references, 0u);
  ASSERT_FALSE(device.checkedFormats.empty());
  EXPECT_EQ(device.checkedFormats.back(), D3DFMT_A8R8G8B8);
}

TEST(FittedTextureSize, FollowsPowerOfTwoAspectSquareAndMaximumLimits) {
  RecordingDevice pow2;
  pow2.caps.TextureCaps = D3DPTEXTURECAPS_POW2;
  expectSize(fit(pow2, 300, 200), 512, 256);
  expectSize(fit(pow2, 256, 1), 256, 1);

  RecordingDevice aspect;
  aspect.caps.MaxTextureAspectRatio = 2;
  expectSize(fit(aspect, 512, 128), 256, 128);
  expectSize(fit(aspect, 64, 512), 64, 128);

  RecordingDevice square;
  square.caps.TextureCaps = D3DPTEXTURECAPS_SQUAREONLY;
  square.caps.MaxTextureAspectRatio = 8;  // square-only wins over the ratio
  expectSize(fit(square, 256, 64), 64, 64);

  RecordingDevice small;
  small.caps.MaxTextureWidth = small.caps.MaxTextureHeight = 256;
  expectSize(fit(small, 512, 512), 256, 256);

  // A huge ratio limit must not wrap around when multiplied.
  RecordingDevice wide;
  wide.caps.MaxTextureAspectRatio = 0x80000000u;
  expectSize(fit(wide, 300, 20), 300, 20);
}

TEST(FittedTextureSize, MissingSizesAndZeroAndBlockCompressedRounding) {
  RecordingDevice device;
  expectSize(fit(device, kNotGiven, kNotGiven), 256, 256);
  expectSize(fit(device, 100, kNotGiven), 100, 100);
  expectSize(fit(device, kNotGiven, 30), 30, 30);
  expectSize(fit(device, 0, 0), 1, 1);

  UINT levels = 1;
  D3DFORMAT format = D3DFMT_A8R8G8B8;
  EXPECT_EQ(checkTextureRequirements(&device, nullptr, nullptr, &levels, 0, &format, D3DPOOL_DEFAULT), D3D_OK);

  device.acceptedFormats = {D3DFMT_DXT1};
  const Fit dxt = fit(device, 30, 5, 1, D3DFMT_DXT1);
  expectSize(dxt, 32, 8);
  EXPECT_EQ(dxt.format, D3DFMT_DXT1);
}

TEST(FittedTextureLevels, FullChainOnlyForPowerOfTwoSizesOnMipmappingDevices) {
  RecordingDevice mip;
  mip.caps.TextureCaps = D3DPTEXTURECAPS_MIPMAP;
  EXPECT_EQ(fit(mip, 256, 64, 0).levels, 9u);
  EXPECT_EQ(fit(mip, 256, 64, kNotGiven).levels, 9u);
  EXPECT_EQ(fit(mip, 256, 64, 20).levels, 9u);
  EXPECT_EQ(fit(mip, 256, 64, 3).levels, 3u);
  EXPECT_EQ(fit(mip, 1, 1, 0).levels, 1u);
  EXPECT_EQ(fit(mip, 300, 64, 0).levels, 1u);

  RecordingDevice flat;
  EXPECT_EQ(fit(flat, 256, 64, 0).levels, 1u);
  EXPECT_EQ(fit(flat, 256, 64, 5).levels, 1u);
}

TEST(FittedTextureFormat, NearestAcceptedFormatStandsIn) {
  RecordingDevice noAlpha8;
  noAlpha8.acceptedFormats = {D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8R3G3B2};
  EXPECT_EQ(fit(noAlpha8, 64, 64).format, D3DFMT_A1R5G5B5);

  RecordingDevice sixteen;
  sixteen.acceptedFormats = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
  EXPECT_EQ(fit(sixteen, 64, 64).format, D3DFMT_R5G6B5);

  // For an X8R8G8B8 request, A8R8G8B8 costs only the alpha it adds.
  RecordingDevice alphaOnly;
  alphaOnly.acceptedFormats = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
  EXPECT_EQ(fit(alphaOnly, 64, 64, 1, D3DFMT_X8R8G8B8).format, D3DFMT_A8R8G8B8);

  // Equal distances: fewer bits per pixel win, even later in the table. A
  // colour format may stand in for a palette request.
  RecordingDevice palette;
  palette.acceptedFormats = {D3DFMT_A8R8G8B8, D3DFMT_P8};
  EXPECT_EQ(fit(palette, 64, 64, 1, D3DFMT_A8P8).format, D3DFMT_P8);
  palette.acceptedFormats = {D3DFMT_A8R8G8B8};
  EXPECT_EQ(fit(palette, 64, 64, 1, D3DFMT_A8P8).format, D3DFMT_A8R8G8B8);

  RecordingDevice none;
  none.acceptedFormats = {D3DFMT_D16};
  Fit refused = fit(none, 64, 64);
  EXPECT_EQ(refused.result, D3DERR_NOTAVAILABLE);
  EXPECT_EQ(refused.width, 64u);  // nothing written back
  EXPECT_EQ(none.direct3D.references, 0u);

  // Palette, luminance and bump formats stand in only for their own kind.
  RecordingDevice special;
  special.acceptedFormats = {D3DFMT_P8, D3DFMT_L8, D3DFMT_V8U8};
  EXPECT_EQ(fit(special, 64, 64).result, D3DERR_NOTAVAILABLE);
  EXPECT_EQ(fit(special, 64, 64, 1, D3DFMT_A8L8).format, D3DFMT_L8);
  EXPECT_EQ(fit(special, 64, 64, 1, D3DFMT_V16U16).format, D3DFMT_V8U8);

  // The requested format is taken as soon as the device accepts it, even
  // one that may never stand in for another.
  RecordingDevice packed;
  packed.acceptedFormats = {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8};
  EXPECT_EQ(fit(packed, 64, 64, 1, D3DFMT_R8G8B8).format, D3DFMT_R8G8B8);
  EXPECT_EQ(fit(packed, 64, 64, 1, D3DFMT_A8R8G8B8).format, D3DFMT_X8R8G8B8);
}

TEST(FittedTextureErrors, BadArgumentsAreInvalidCalls) {
  RecordingDevice device;
  UINT w = 64, h = 64, l = 1;
  D3DFORMAT f = D3DFMT_A8R8G8B8;
  EXPECT_EQ(checkTextureRequirements(nullptr, &w, &h, &l, 0, &f, D3DPOOL_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, D3DUSAGE_WRITEONLY).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, 0, static_cast<D3DPOOL>(3)).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET).result, D3D_OK);
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, kDefaultUsage).result, D3D_OK);
  EXPECT_EQ(device.checkedUsages.back(), 0u);  // usage −1 is asked as 0
  EXPECT_EQ(fit(device, 64, 64, 1, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED).result, D3D_OK);

  IDirect3DTexture8* texture = nullptr;
  EXPECT_EQ(createFittedTexture(&device, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(createFittedTexture(nullptr, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_TRUE(device.textures.empty());
}

TEST(FittedTextureCreation, CreatesWithTheFittedValuesAndPassesOnErrors) {
  RecordingDevice device;
  device.caps.TextureCaps = D3DPTEXTURECAPS_POW2;
  device.acceptedFormats = {D3DFMT_A4R4G4B4};
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(createFittedTexture(&device, 300, 200, 1, kDefaultUsage, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture),
            D3D_OK);
  EXPECT_EQ(device.calls.back(), "CreateTexture 512 256 1 0 26 2");
  EXPECT_EQ(texture, device.textures.back().get());

  device.failTextureNumber = 1;
  EXPECT_EQ(createFittedTexture(&device, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
            D3DERR_OUTOFVIDEOMEMORY);
  device.acceptedFormats.clear();
  const size_t creations = device.calls.size();
  EXPECT_EQ(createFittedTexture(&device, 64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device.calls.size(), creations);  // no CreateTexture after a refused fit
}

}  // namespace
