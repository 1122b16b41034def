// Sine and cosine of a float, the same on every C library. The float
// functions of the C libraries (glibc on Linux, musl in the browser build)
// may differ in the last bit; their double functions are accurate to well
// under an ulp of a double, so rounding those to float gives one answer,
// the correctly rounded float, wherever the presentation runs.
#pragma once

#include <cmath>

inline float portableSin(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
inline float portableCos(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
