// The song's instruments, synthesised in code: drums, bass, pad, lead, bell
// and a cymbal. Every sample is 16-bit at kSynthRate; the pitched ones hold a
// cycle of 128 samples (or whole numbers of cycles over their loop), so the
// note C-4 plays them at middle C.
#pragma once

#include "content/xm_writer.h"

// 4 × 8363 Hz: with relative note +24 a sample plays at its own rate on C-4.
constexpr int kSynthRate = 33452;

XmInstrument synthKick();
XmInstrument synthSnare();
XmInstrument synthHiHat();
XmInstrument synthCymbal();
XmInstrument synthBass();
XmInstrument synthPad();
XmInstrument synthLead();
XmInstrument synthBell();
