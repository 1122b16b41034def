// Averages the 2 x 2 sample blocks of a supersampled picture into one
// picture pixel each, channel by channel and rounded half up, so the same
// samples always give the same picture.
#pragma once

#include <cstdint>

// `samples` holds 2 * width x 2 * height pixels, rows `samplePitch` pixels
// apart; `picture` receives width x height pixels in packed rows.
void averageSampleBlocks(const std::uint32_t* samples, int samplePitch, std::uint32_t* picture, int width,
                         int height);
