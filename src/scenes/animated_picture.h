// The animated picture: one frame of "data\paimen1.dat" decoded, optionally
// masked by image 0 of "data\valpha.dat", and uploaded in every frame that
// shows it. Main thread only, inside a frame.
#pragma once

// Decodes picture frame trunc(animFrame) into its streaming pair (with the
// mask as alpha when `withMask`), advances animFrame by half a frame step,
// wraps it to 0 once it has passed the container's image count, and uploads
// the pair, leaving its device texture bound to stage 0.
void stepAnimatedPicture(bool withMask);
