// The values every scene routine shares: the scene state record that carries
// the animation from one scene to the next, and the orbit vector with its two
// rotations. Main thread only.
#pragma once

#include <cstdint>

#include "render/math3d.h"

// Every animation value of the scenes. One instance lives for the whole run;
// nothing resets it, so each scene continues from what the earlier ones left.
// Tests put a fresh record in place by assigning SceneState{}.
struct SceneState {
  float animFrame = 0.0f;     // frame counter of the animated picture
  float roomLight = 0.0f;     // brightness of the room set, 0 to 1
  float roomPhase = 0.0f;     // orbit phase of the room scenes, in orbit steps
  float glowFade = 0.0f;      // strength of the room scenes' glow overlays, 0 to 1
  float dolly = 0.0f;         // eye travel of the dolly scene
  float approach = 0.0f;      // progress of the fly-through
  float sway = 0.0f;          // weight of the target's sway, 0 to 1
  float darkenLevel = 0.0f;   // room darkening overlay, 0 to 255
  float islandPhase = 0.0f;   // orbit phase of the island and house scenes
  float unveilLevel = 255.0f; // island unveiling overlay, 255 down to 0
  float slideOffset = 480.0f; // sliding picture's offset in pixels, 480 down to 0
  float finalDarken = 0.0f;   // closing darkening overlay, 0 to 255
};

extern SceneState sceneState;

// Scratch vector of the cameras and moving lights: each user writes all three
// components, rotates, and reads the result within the same frame.
extern Vec3 orbitVec;

// The angle unit of the orbit rotations: 3.14159 / 512 as a 32-bit float, a
// hair under 2 pi / 1024, so 1024 steps fall just short of a full turn.
constexpr float kOrbitStep = 0.0061359182f;

// Turns orbitVec about the Y axis by `steps` orbit steps; y is unchanged.
// Both new components are formed from the values before the call.
void rotateOrbitAboutY(float steps);
// Turns orbitVec about the X axis by `steps` orbit steps; x is unchanged.
void rotateOrbitAboutX(float steps);

// Converts a float toward zero as the scenes' truncations do, saturating at
// the ends of the 32-bit range instead of overflowing.
std::int32_t truncToInt(float value);
