// Gives back everything one run of the presentation built (meshes, textures,
// the screen quad, loaded files, shell, timeline and scene state), so that
// another run in the same process starts exactly as the first did.
#pragma once

void releasePresentationRun();
