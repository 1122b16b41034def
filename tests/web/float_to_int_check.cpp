// The browser build's float-to-integer conversion of the span loops gives,
// lane for lane, what SSE2 gives on Linux (tests/float_to_int_test.cpp
// checks the reference against the processor). Run by node; exits 1 with
// the first difference.
#include <emmintrin.h>

#include <cstdio>

#include "float_to_int_cases.h"
#include "platform/d3d8/float_to_int.h"

int main() {
  const std::vector<float> values = float_to_int_cases::values();
  std::size_t checked = 0;
  for (std::size_t i = 0; i + 4 <= values.size(); i += 4) {
    // Each value in every lane, so no lane's handling is left out.
    for (int shift = 0; shift < 4; ++shift) {
      float in[4];
      for (int lane = 0; lane < 4; ++lane) in[lane] = values[i + (lane + shift) % 4];
      std::int32_t got[4];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(got), raster::truncateToInts(_mm_loadu_ps(in)));
      for (int lane = 0; lane < 4; ++lane) {
        const std::int32_t expected = float_to_int_cases::cvttps2dq(in[lane]);
        if (got[lane] != expected) {
          std::printf("float_to_int_check: %.9g gave %d, not %d\n", static_cast<double>(in[lane]), got[lane],
                      expected);
          return 1;
        }
        ++checked;
      }
    }
  }
  std::printf("float_to_int_check: %zu conversions as SSE2 makes them\n", checked);
  return 0;
}
