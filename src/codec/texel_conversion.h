// Decoded pixels into A8R8G8B8 texels (little-endian in memory: B, G, R, A)
// and one-channel planes into a texel byte. Main thread only.
//
// The plain routines trust that the locked level is at least width x height
// texels. The *Clipped variants take the locked level's real size and write
// only the part of the image that lies inside it (a device may hand back a
// smaller texture than asked); the source stride stays the image's width.
#pragma once

// Rebuilds the 256-entry curve from gain and contrast (curve[i] =
// clamp(clamp((i - 128) * contrast + 128) * gain), truncated) and applies it
// to plane[y * decodedWidth + x] over columns x0..x1-1 and rows y0..y1-1.
// The rectangle is clipped to the decoded image (0..decodedWidth,
// 0..decodedHeight).
void applyToneCurve(float gain, float contrast, unsigned char* plane, int x0, int y0, int x1, int y1);

// The curve applyToneCurve builds, for tests and tools.
void buildToneCurve(float gain, float contrast, unsigned char curve[256]);

// For each pixel (4 bytes: luma, chroma A, chroma B, unused; rows packed at
// width * 4) stores colourTable's entry as texel x of row y; the destination
// row stride is pitch rounded down to a multiple of 4. Requires
// initImageCodec.
void convertToTexels(const unsigned char* pixels, unsigned char* texels, int pitch, int width, int height);
void convertToTexelsClipped(const unsigned char* pixels, int srcWidth, int srcHeight, unsigned char* texels,
                            int pitch, int levelWidth, int levelHeight);

// texels[y * pitch + byteOffset + 4 * x] = plane[y * width + x].
void writeAlphaChannel(const unsigned char* plane, unsigned char* texels, int pitch, int width, int height,
                       int byteOffset);
// byteOffset outside 0..3 writes nothing.
void writeAlphaChannelClipped(const unsigned char* plane, int srcWidth, int srcHeight, unsigned char* texels,
                              int pitch, int levelWidth, int levelHeight, int byteOffset);
