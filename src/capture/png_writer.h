// PNG output of captured frames and contact sheets.
//
// Frames arrive as the device's back buffer: 32-bit A8R8G8B8 pixels, bytes
// B, G, R, A in memory, rows `pitch` bytes apart. The screen has no alpha,
// so the file holds 8-bit RGB; the same pixels always give the same bytes
// (no time chunk, fixed compression settings).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A BGRA picture owned by the caller, read-only for the writer.
struct BgraView {
  const std::uint8_t* bytes = nullptr;  // first byte of the top row
  int width = 0;
  int height = 0;
  int pitch = 0;  // bytes from one row to the next, at least width * 4
};

struct PngResult {
  bool ok = false;
  std::string error;  // what went wrong, empty on success
};

// Encodes the picture as an RGB PNG into `out` (replacing its contents).
// Fails on an empty or inconsistent view (no pixels, pitch too small).
PngResult encodePng(const BgraView& picture, std::vector<std::uint8_t>& out);

// Writes `bytes` to `path`, replacing any existing file. On a failed write
// (a full disk) the partial file is removed and the error holds the
// system's reason.
PngResult writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Encodes and writes the picture to `path`, replacing any existing file.
PngResult writePng(const std::string& path, const BgraView& picture);
