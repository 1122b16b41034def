// PNG files to and from Picture (libpng). Grey files read as 1 channel,
// colour files as 3, files with transparency as 4 (grey + alpha becomes
// RGBA). 16-bit files are reduced to 8 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/picture.h"

// A PNG file larger than this is refused unread.
constexpr std::uint64_t kMaxPngFileBytes = 64u << 20;

// On failure returns false with `error` (may be null) naming the file and
// the problem. With maxSide above 0, a picture wider or taller than maxSide
// is refused from its header, before any pixel is decoded.
bool readPng(const std::string& path, Picture* out, std::string* error, int maxSide = 0);
bool writePng(const std::string& path, const Picture& picture, std::string* error);

// The same, in memory.
// `name` is the file the bytes came from, for messages.
bool readPngFromMemory(const std::vector<std::uint8_t>& bytes, Picture* out, std::string* error, int maxSide = 0,
                       const std::string& name = "PNG in memory");
bool writePngToMemory(const Picture& picture, std::vector<std::uint8_t>* bytes, std::string* error);
