// PNG files to and from Picture (libpng). Grey files read as 1 channel,
// colour files as 3, files with transparency as 4 (grey + alpha becomes
// RGBA). 16-bit files are reduced to 8 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/picture.h"

// On failure returns false with `error` (may be null) naming the file and
// the problem.
bool readPng(const std::string& path, Picture* out, std::string* error);
bool writePng(const std::string& path, const Picture& picture, std::string* error);

// The same, in memory.
bool readPngFromMemory(const std::vector<std::uint8_t>& bytes, Picture* out, std::string* error);
bool writePngToMemory(const Picture& picture, std::vector<std::uint8_t>* bytes, std::string* error);
