// Floats whose conversion to integers the span loops depend on, and what
// SSE2's cvttps2dq makes of each: shared by the Linux test (which checks
// this reference against the processor) and the browser build's check
// (which checks the WebAssembly conversion against it).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace float_to_int_cases {

inline std::int32_t cvttps2dq(float value) {
  if (std::isnan(value) || value >= 2147483648.0f || value < -2147483648.0f) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

inline std::vector<float> values() {
  std::vector<float> cases = {0.0f, -0.0f, 0.5f, -0.5f, 0.999999f, -0.999999f, 1.0f, -1.0f, 1.5f, -1.5f,
                              254.5f, 255.49f, 65535.5f, -65536.0f, 8388607.5f, 16777216.0f,
                              2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483904.0f, 4294967296.0f,
                              -4294967296.0f, 1e30f, -1e30f,
                              std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min()};
  // Every power of two and its neighbours, both signs.
  for (int e = -20; e <= 40; ++e) {
    const float p = std::ldexp(1.0f, e);
    for (float v : {p, std::nextafter(p, 0.0f), std::nextafter(p, 1e38f)}) {
      cases.push_back(v);
      cases.push_back(-v);
    }
  }
  // A spread of ordinary values, as texture coordinates and colours are.
  std::uint32_t state = 12345;
  for (int i = 0; i < 4000; ++i) {
    state = state * 1664525u + 1013904223u;
    cases.push_back((static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 70000.0f);
  }
  return cases;
}

}  // namespace float_to_int_cases
