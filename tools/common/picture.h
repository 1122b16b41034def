// A picture in memory as the tools pass it around: rows packed top to
// bottom, channels interleaved (3 = RGB, 1 = grey, 4 = RGBA).
#pragma once

#include <cstdint>
#include <vector>

struct Picture {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
};
