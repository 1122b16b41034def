// Four floats to 32-bit integers as SSE2's cvttps2dq converts them:
// truncation toward zero, and 0x80000000 for NaN and for values outside 32
// bits. The span loops' results depend on these exact integers.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace raster {

inline __m128i truncateToInts(__m128 value) {
#if defined(__wasm_simd128__)
  // The browser build's SSE2 layer converts one lane at a time through
  // library calls; the saturating WebAssembly instruction gives the same
  // integers once its other answers for those lanes (INT_MAX above, 0 for
  // NaN) are replaced.
  const v128_t truncated = wasm_i32x4_trunc_sat_f32x4(value);
  const v128_t outside =
      wasm_v128_or(wasm_f32x4_ge(value, wasm_f32x4_splat(2147483648.0f)), wasm_f32x4_ne(value, value));
  return wasm_v128_bitselect(wasm_i32x4_splat(INT32_MIN), truncated, outside);
#else
  return _mm_cvttps_epi32(value);
#endif
}

}  // namespace raster

#endif
