// The wide span loops for processors with AVX2.
#include "platform/d3d8/spans_wide.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)

#if defined(__clang__)
#include <immintrin.h>
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#include <immintrin.h>
#endif

#define GLASS_WIDE_NAMESPACE avx2
#include "platform/d3d8/spans_wide_kernels.h"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
