// Small tracker modules for tests, written byte by byte so that the sound
// layer and the shell can be tested without any music file on disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestXmLayout {
  int orders = 6;           // order list length; order i plays pattern i
  int rowsPerPattern = 64;
  int speed = 1;            // ticks per row
  int bpm = 250;            // a row lasts speed * 2.5 / bpm seconds (10 ms here)
  int restartPosition = 0;
  bool audible = false;     // channel 0 strikes a looped square wave on row 0 of every pattern
};

// Frames of one row at `rate` for `layout`.
int testXmRowFrames(const TestXmLayout& layout, int rate = 44100);

// A valid XM module; with empty patterns unless audible (silent, but its
// position moves).
std::vector<std::uint8_t> makeTestXm(const TestXmLayout& layout = {});

// Writes bytes to `path`; false on failure.
bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
