// Golden-image comparison for rendering tests: frames are compared exactly,
// as RGB (the back buffer's alpha is never shown), against PNGs under
// tests/golden/. A mismatch writes the actual frame to
// <build dir>/golden-actual/<name>.png for inspection. With the environment
// variable GLASS_UPDATE_GOLDENS=1 the golden is (re)written instead; do that
// only on purpose, after checking the new picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Reads an 8-bit RGB or RGBA PNG into 0xAARRGGBB pixels.
bool readRgbPng(const std::string& path, std::vector<std::uint32_t>* pixels, int* width, int* height);

::testing::AssertionResult matchesGoldenIn(const std::string& goldenDir, const std::string& outputDir,
                                           const std::string& name, const std::vector<std::uint32_t>& pixels,
                                           int width, int height);

// For test programs, which know the source and build directories.
#if defined(GLASS_SOURCE_DIR) && defined(GLASS_BINARY_DIR)
inline ::testing::AssertionResult matchesGolden(const std::string& name, const std::vector<std::uint32_t>& pixels,
                                                int width, int height) {
  return matchesGoldenIn(std::string(GLASS_SOURCE_DIR) + "/tests/golden", std::string(GLASS_BINARY_DIR) +
                         "/golden-actual", name, pixels, width, height);
}
#endif
