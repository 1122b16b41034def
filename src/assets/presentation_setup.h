// One-time set-up after the device exists: projection, screen quad,
// streaming textures, the eleven still textures and the 24 meshes.
#pragma once

void setUpPresentation();
