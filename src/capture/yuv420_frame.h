// BGRA frames to the planar 4:2:0 YCbCr that H.264 encodes (ffmpeg's
// yuv420p): BT.601 coefficients in the limited range (luma 16 to 235,
// chroma 16 to 240), which is what ffmpeg itself converts RGB frames to
// when nothing else is asked for. Each chroma sample is taken from the
// average colour of its 2 x 2 pixels. Converting here, on the capture's own
// writer thread, spares ffmpeg its conversion pass and the pipe two and a
// half times the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of one converted frame: width * height of luma, then a quarter of
// that for each chroma plane. Width and height must be even.
std::size_t yuv420FrameBytes(int width, int height);

// Converts `height` rows of `width` BGRA pixels, rows `pitch` bytes apart,
// into `out` (yuv420FrameBytes(width, height) bytes): the Y plane, then Cb,
// then Cr, each row packed. Width and height must be even.
void convertToYuv420(const std::uint8_t* bgra, int width, int height, std::size_t pitch, std::uint8_t* out);

// The same, one pixel at a time: what the vector path must equal exactly.
void convertToYuv420OnePixelAtATime(const std::uint8_t* bgra, int width, int height, std::size_t pitch,
                                     std::uint8_t* out);
