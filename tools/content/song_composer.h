// The presentation's music, "track.xm": six orders of one pattern each, five
// of 128 rows and a last one of 64, at speed 6 and 125 BPM (0.12 s a row).
//
// The presentation changes scene when the position passes a row, so a scene
// begins one row after the end position in its table (0:37, 1:1, 2:1, 2:49,
// 3:5, 3:33, 4:1). The song's beat grid is laid one row late for the same
// reason: beats fall on rows 1, 5, 9, ... counted from the start, so every
// section of the music starts on the very row its scene does. The final chord
// sounds from 5:0 and fades from 5:4 to silence before 5:16, where the
// presentation quits; the last pattern runs on (silent) past that.
#pragma once

#include "content/xm_writer.h"

constexpr int kSongChannels = 10;
constexpr int kSongRowsPerPattern = 128;
constexpr int kSongLastPatternRows = 64;
constexpr int kSongOrders = 6;
constexpr int kSongSpeed = 6;
constexpr int kSongTempo = 125;

// Absolute rows (order × 128 + row) where the sections begin.
constexpr int kSectionStarts[] = {1, 37, 129, 257, 305, 389, 417, 513};
constexpr int kFinalChordRow = 5 * kSongRowsPerPattern;
constexpr int kFinalChordDecayRow = kFinalChordRow + 4;

XmModule composeSong();
