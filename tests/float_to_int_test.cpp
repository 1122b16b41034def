#include "platform/d3d8/float_to_int.h"

#include <gtest/gtest.h>

#include <cstring>

#include "float_to_int_cases.h"

#if defined(__SSE2__)
// The reference the browser build's conversion is checked against is what
// this processor's conversion gives.
TEST(FloatToInt, TheReferenceIsWhatTheProcessorGives) {
  const std::vector<float> values = float_to_int_cases::values();
  for (std::size_t i = 0; i + 4 <= values.size(); i += 4) {
    std::int32_t got[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(got), raster::truncateToInts(_mm_loadu_ps(&values[i])));
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(got[lane], float_to_int_cases::cvttps2dq(values[i + lane])) << values[i + lane];
    }
  }
}
#endif
