// Helpers the scenes use before drawing meshes: placing an object in the
// world and filling a light description. Main thread only, with the device
// of render/device.h.
#pragma once

#include "platform/d3d8/d3d8.h"

// Sets the world transform to translate (0, −35, 0), then scale uniformly,
// then turn about the y axis by angle (radians).
void setObjectTransform(float scale, float angle);

// Fills `light` from scratch: the given type, grey diffuse colour
// (intensity, alpha 0), position (x, y, z), direction (x, y, z) normalised
// (a zero vector stays zero) and range 1000; every other field is zero.
// The caller hands the light to the device.
void initLight(D3DLIGHT8* light, D3DLIGHTTYPE type, float x, float y, float z, float intensity);
