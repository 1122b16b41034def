// The scene routines the timeline calls, one per frame. Each draws one whole
// frame between beginFrame and endFrame and advances its own animation by
// frameStep. Main thread only.
#pragma once

void roomDarkenScene();
void roomGazeScene();
void roomDollyScene();
void roomFlyScene();
void roomSwayScene();
void islandScene();
void islandUnveilScene();
void islandSlideScene();
void houseScene();
