// The renderer of the room set, shared by the room scenes. Main thread only,
// inside a frame; the caller sets the frame's view transform first.
#pragma once

// Draws the room fading in with roomLight under the moving light, the
// animated picture's panel blended over it regardless of depth, and the three
// objects. Advances roomLight and the animated picture by the frame step.
void drawRoom();
