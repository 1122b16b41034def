// The wide span loops for processors with AVX-512 (F, VL and BW): the
// eight-pixel loops gain its sixteen more vector registers, and the overlays
// run sixteen pixels at a time. This file is compiled without contracting
// multiplies and adds into fused ones (which this target would allow), so
// every value is the one the other loops compute.
#include "platform/d3d8/spans_wide.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)

#if defined(__clang__)
#include <immintrin.h>
#pragma clang attribute push(__attribute__((target("avx2,avx512f,avx512vl,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl,avx512bw")
#include <immintrin.h>
#endif

#define GLASS_WIDE_NAMESPACE avx512
#define GLASS_WIDE_AVX512 1
#include "platform/d3d8/spans_wide_kernels.h"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
