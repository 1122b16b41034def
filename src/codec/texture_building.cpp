#include "codec/texture_building.h"

#include "codec/fitted_texture.h"
#include "codec/image_decoder.h"
#include "codec/texel_conversion.h"
#include "render/device.h"
#include "render/screen_quad.h"

IDirect3DTexture8* textureSlots[kTextureSlotCount] = {};
TexturePair streamingPairs[kStreamingPairCount] = {};

namespace {

constexpr UINT kSmallestStreamingSize = 128;  // entry n is 128 << n square
// Alpha images pass through this curve: 0.55 gain (the single 0x3F0CCCCD),
// contrast unchanged, so a full mask byte 255 becomes alpha 140.
constexpr float kAlphaGain = 0.55f;
constexpr float kAlphaContrast = 1.0f;
constexpr int kAlphaByte = 3;

// Level 0 of a texture, locked for writing. The texel writers rely on the
// 4-byte A8R8G8B8 layout, so a level of any other size per texel (a format
// that fitting fell back to) is not locked at all and stays unwritten.
class LockedLevel {
 public:
  explicit LockedLevel(IDirect3DTexture8* texture) : texture_(texture) {
    if (texture_ == nullptr) return;
    D3DSURFACE_DESC desc{};
    if (FAILED(texture_->GetLevelDesc(0, &desc))) return;
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return;
    D3DLOCKED_RECT rect{};
    if (FAILED(texture_->LockRect(0, &rect, nullptr, 0))) return;
    locked_ = true;
    // A pitch too short for the level's rows could make the rows overlap
    // the end of the level: such a level is unlocked again, unwritten.
    if (rect.pBits == nullptr || rect.Pitch < 0 || static_cast<UINT>(rect.Pitch) / 4 < desc.Width) return;
    bits_ = static_cast<unsigned char*>(rect.pBits);
    pitch_ = rect.Pitch;
    width_ = static_cast<int>(desc.Width);
    height_ = static_cast<int>(desc.Height);
  }
  ~LockedLevel() {
    if (locked_) texture_->UnlockRect(0);
  }
  LockedLevel(const LockedLevel&) = delete;
  LockedLevel& operator=(const LockedLevel&) = delete;

  bool writable() const { return bits_ != nullptr; }

  // Colour texels from the decoded pixels in imageScratch.
  void writeColour(int imageWidth, int imageHeight) {
    if (!writable()) return;
    convertToTexelsClipped(imageScratch, imageWidth, imageHeight, bits_, pitch_, width_, height_);
  }

  // The one-channel image in imageScratch into the alpha bytes.
  void writeAlpha(int imageWidth, int imageHeight) {
    if (!writable()) return;
    writeAlphaChannelClipped(imageScratch, imageWidth, imageHeight, bits_, pitch_, width_, height_, kAlphaByte);
  }

 private:
  IDirect3DTexture8* texture_;
  bool locked_ = false;
  unsigned char* bits_ = nullptr;
  int pitch_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// Decodes image `index` of a container and reports whether an image with
// pixels is now in imageScratch (a refused container or image gives none).
bool decodeToScratch(const unsigned char* container, int index, int* decodedIndex) {
  if (container == nullptr) return false;
  *decodedIndex = decodeContainerImage(container, index);
  return *decodedIndex >= 0 && decodedWidth > 0 && decodedHeight > 0;
}

HRESULT createPlainTexture(UINT width, UINT height, D3DPOOL pool, IDirect3DTexture8** out) {
  return createFittedTexture(device, width, height, 1, 0, D3DFMT_A8R8G8B8, pool, out);
}

void releaseTexture(IDirect3DTexture8*& texture) {
  if (texture != nullptr) texture->Release();
  texture = nullptr;
}

// Decodes the colour image and creates both textures, with the colour
// texels written into the system texture. 0 when there is nothing to build
// or a texture cannot be created; a system texture made before the failure
// is released.
int prepareColourTextures(const unsigned char* container, int index, IDirect3DTexture8** systemTexture,
                          IDirect3DTexture8** deviceTexture) {
  int decoded = 0;
  if (!decodeToScratch(container, index, &decoded)) return 0;
  const int width = decodedWidth;
  const int height = decodedHeight;
  *systemTexture = nullptr;
  if (FAILED(createPlainTexture(width, height, D3DPOOL_SYSTEMMEM, systemTexture)) || *systemTexture == nullptr) {
    return 0;
  }
  IDirect3DTexture8* created = nullptr;
  if (FAILED(createPlainTexture(width, height, D3DPOOL_DEFAULT, &created)) || created == nullptr) {
    releaseTexture(*systemTexture);
    return 0;
  }
  *deviceTexture = created;
  LockedLevel(*systemTexture).writeColour(width, height);
  return 1;
}

// Sends the system texture to the device texture, lets the system texture
// go and binds the device texture.
void finishTexture(IDirect3DTexture8*& systemTexture, IDirect3DTexture8* deviceTexture) {
  device->UpdateTexture(systemTexture, deviceTexture);
  releaseTexture(systemTexture);
  device->SetTexture(0, deviceTexture);
}

// The streaming pair of the current size class.
TexturePair* currentPair() {
  if (sizeClass < 0 || sizeClass >= kStreamingPairCount) return nullptr;
  return &streamingPairs[sizeClass];
}

}  // namespace

int createStreamingTextures() {
  createScreenQuad();
  for (int entry = 0; entry < kStreamingPairCount; ++entry) {
    const UINT size = kSmallestStreamingSize << entry;
    TexturePair& pair = streamingPairs[entry];
    if (FAILED(createPlainTexture(size, size, D3DPOOL_SYSTEMMEM, &pair.systemTexture))) return 0;
    if (FAILED(createPlainTexture(size, size, D3DPOOL_DEFAULT, &pair.deviceTexture))) return 0;
  }
  return 1;
}

int buildImageTexture(IDirect3DTexture8** outTexture, const unsigned char* container, int index) {
  if (outTexture == nullptr) return 0;
  IDirect3DTexture8* systemTexture = nullptr;
  if (!prepareColourTextures(container, index, &systemTexture, outTexture)) return 0;
  finishTexture(systemTexture, *outTexture);
  return 1;
}

int buildImageTextureWithAlpha(IDirect3DTexture8** outTexture, const unsigned char* colourContainer,
                               int colourIndex, const unsigned char* alphaContainer, int alphaIndex) {
  if (outTexture == nullptr) return 0;
  IDirect3DTexture8* systemTexture = nullptr;
  if (!prepareColourTextures(colourContainer, colourIndex, &systemTexture, outTexture)) return 0;
  int decoded = 0;
  // Without a usable alpha image the texture keeps the colour's opaque alpha.
  if (decodeToScratch(alphaContainer, alphaIndex, &decoded)) {
    applyToneCurve(kAlphaGain, kAlphaContrast, imageScratch, 0, 0, decodedWidth, decodedHeight);
    LockedLevel(systemTexture).writeAlpha(decodedWidth, decodedHeight);
  }
  finishTexture(systemTexture, *outTexture);
  return 1;
}

int decodeIntoStreamingPair(const unsigned char* container, int index) {
  int decoded = 0;
  if (!decodeToScratch(container, index, &decoded)) return -1;
  if (TexturePair* pair = currentPair()) LockedLevel(pair->systemTexture).writeColour(decodedWidth, decodedHeight);
  return indexOutOfRange ? -1 : decoded;
}

int decodeAlphaIntoStreamingPair(const unsigned char* container, int index) {
  int decoded = 0;
  if (!decodeToScratch(container, index, &decoded)) return 0;
  applyToneCurve(kAlphaGain, kAlphaContrast, imageScratch, 0, 0, decodedWidth, decodedHeight);
  if (TexturePair* pair = currentPair()) LockedLevel(pair->systemTexture).writeAlpha(decodedWidth, decodedHeight);
  return decoded;
}

void uploadStreamingPair() {
  TexturePair* pair = currentPair();
  if (pair == nullptr) return;
  if (pair->systemTexture != nullptr && pair->deviceTexture != nullptr) {
    device->UpdateTexture(pair->systemTexture, pair->deviceTexture);
  }
  device->SetTexture(0, pair->deviceTexture);
}

void releaseBuiltTextures() {
  for (IDirect3DTexture8*& texture : textureSlots) releaseTexture(texture);
  for (TexturePair& pair : streamingPairs) {
    releaseTexture(pair.systemTexture);
    releaseTexture(pair.deviceTexture);
  }
}
