// Work that may wait for the program's other threads: a capture's PNG
// encoders. Lowering their priority lets the frames' drawing, which holds
// everything else up, run whenever it can, while the encoders take every
// moment the drawing leaves idle. The encoders cannot starve: once their
// queue is full, the drawing waits for them.
#pragma once

// Gives the calling thread a lower priority (nice 10 more, at most 19).
// Linux sets priority per thread; elsewhere nothing happens.
void lowerCurrentThreadPriority();
