// Camera and light set-up shared by the scene routines. Main thread only,
// inside a frame.
#pragma once

#include "render/math3d.h"

// Builds the left-handed look-at view matrix from eye, target and up and
// hands it to the device as the view transform.
void setViewLookAt(Vec3 eye, Vec3 target, Vec3 up);

// The moving light of the room and the house: (1, 0.5, 2) turned about Y by
// a tenth of the system millisecond count and about X by a fifth of a second
// reading, in orbit steps, set as directional light 0 of the given grey
// intensity and enabled. It follows the system clock, not the frame step.
void setMovingLight(float intensity);

// Binds texture slot `slot` to stage 0.
void bindTextureSlot(int slot);

// The common opening of every darkening overlay: bind texture slot `slot`,
// no culling, no depth test, additive blending turned into a reverse
// subtraction, so the next quad takes texture x level / 255 off the frame.
// The caller draws the quad and later restores D3DBLENDOP_ADD.
void beginDarkeningOverlay(int slot);
