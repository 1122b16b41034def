// One-call render-state presets and the grey material. Each preset writes
// its states straight to the device, in a fixed order, with no caching;
// what it sets stays set until something else changes it. The blending
// presets leave the blend operation alone and no preset touches depth
// writes. Main thread only, with the device of render/device.h.
#pragma once

#include "platform/d3d8/d3d8.h"

void cullClockwise();  // CULLMODE = CW
void cullNone();       // CULLMODE = NONE
void blendAdditive();  // blending on, ONE, ONE
void blendAlpha();     // blending on, SRCALPHA, INVSRCALPHA
void blendOff();       // blending off
void depthOn();        // ZENABLE = TRUE
void depthOff();       // ZENABLE = FALSE
void setDepthBias(INT bias);  // ZBIAS = bias (the scenes use 0 and 15)

// Hands the device a material with diffuse and ambient grey levels
// (diffuse · scale and ambient · scale, alpha 1), power · scale, and no
// specular or emissive colour.
void setGreyMaterial(float diffuse, float ambient, float power, float scale);
