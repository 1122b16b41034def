#include "platform/d3d8/spans_wide.h"

namespace raster {
namespace {

WideSpans supportedWideSpans() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512bw")) {
    return WideSpans::kAvx512;
  }
  if (__builtin_cpu_supports("avx2")) return WideSpans::kAvx2;
#endif
  return WideSpans::kNone;
}

WideSpans gLimit = WideSpans::kAvx512;

}  // namespace

WideSpans wideSpans() {
  static const WideSpans supported = supportedWideSpans();
  return std::min(supported, gLimit);
}

void limitWideSpans(WideSpans widest) { gLimit = widest; }

}  // namespace raster

#if !(defined(__x86_64__) || defined(__i386__))
// Elsewhere the wide loops are never chosen; these only satisfy the linker.
namespace raster {
#define GLASS_NO_WIDE_LOOPS                                                                                       \
  int overlayPixelsWide(const Setup&, std::uint32_t*, int, int, std::int32_t*, std::int32_t*, std::int32_t,       \
                        std::int32_t, bool) {                                                                      \
    return 0;                                                                                                      \
  }                                                                                                                \
  template <bool kGouraud, bool kDepth, bool kBlend>                                                               \
  void meshSpanWide(const Setup&, int, int, int, const SpanStarts&) {}                                             \
  GLASS_MESH_SPAN_KINDS
namespace avx2 {
GLASS_NO_WIDE_LOOPS
}  // namespace avx2
namespace avx512 {
GLASS_NO_WIDE_LOOPS
template <bool kGouraud, bool kDepth, bool kBlend>
void meshSpanPair(const Setup&, int, int, int, int, int, int) {}
template void meshSpanPair<false, false, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, false, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, true, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<false, true, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, false, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, false, true>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, true, false>(const Setup&, int, int, int, int, int, int);
template void meshSpanPair<true, true, true>(const Setup&, int, int, int, int, int, int);
}  // namespace avx512
}  // namespace raster
#endif
