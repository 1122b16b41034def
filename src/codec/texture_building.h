// Direct3D textures built from decoded images: the eleven still textures
// made once at set-up, and three streaming pairs (one per image size class)
// that the scenes refill every frame by decoding into a locked
// system-memory texture and copying it to its device texture. Every
// texture is created through createFittedTexture. Main thread only, with
// the device of render/device.h; not reentrant (one shared scratch image).
//
// Texel writes assume a 32-bit texture at least as large as the image. A
// device may hand back a smaller texture (its maximum size), so every write
// is clipped to the locked level; a texture that fitting gave another
// format than 32-bit A8R8G8B8 or X8R8G8B8 is left unwritten.
#pragma once

#include "platform/d3d8/d3d8.h"

constexpr int kTextureSlotCount = 11;
constexpr int kStreamingPairCount = 3;

// A system-memory texture the processor writes and the device texture it
// is copied into.
struct TexturePair {
  IDirect3DTexture8* systemTexture = nullptr;
  IDirect3DTexture8* deviceTexture = nullptr;
};

// Still textures, one per image; texture slot N of the scenes is entry N.
extern IDirect3DTexture8* textureSlots[kTextureSlotCount];
// Streaming pairs of 128, 256 and 512 texels square, indexed by sizeClass.
extern TexturePair streamingPairs[kStreamingPairCount];

// Creates the screen quad, then the six streaming textures (system and
// device texture of 128, then 256, then 512). 1 when all exist, 0 at the
// first that cannot be created.
int createStreamingTextures();

// Builds a device texture from image `index` of a loaded container into
// *outTexture and leaves it bound to stage 0. 1, or 0 if a texture cannot
// be created.
int buildImageTexture(IDirect3DTexture8** outTexture, const unsigned char* container, int index);
// As buildImageTexture, with alpha from a one-channel image of the same
// size passed through the tone curve.
int buildImageTextureWithAlpha(IDirect3DTexture8** outTexture, const unsigned char* colourContainer,
                               int colourIndex, const unsigned char* alphaContainer, int alphaIndex);

// Decodes an image into the system texture of its size class (every texel
// gets alpha 0xFF). Returns the index decoded, or −1 when the index was out
// of range and image 0 was decoded instead.
int decodeIntoStreamingPair(const unsigned char* container, int index);
// Decodes a one-channel image and writes it through the tone curve into the
// alpha bytes of the system texture of its size class. Returns the index
// decoded (0 for an index out of range).
int decodeAlphaIntoStreamingPair(const unsigned char* container, int index);
// Copies the current size class's system texture to its device texture and
// binds the device texture to stage 0.
void uploadStreamingPair();

// Releases every texture made here (for an orderly end and for tests).
void releaseBuiltTextures();
