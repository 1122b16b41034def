// The command line: the input split at NUL bytes into arguments. The
// promises: a refusal names its reason; accepted values lie within the
// ranges the help text gives, and the offline modes' frame limit is
// computed from them without overflow.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "capture/capture_run.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back().push_back(static_cast<char>(data[i]));
    }
  }
  const OptionsResult result = parseOptions(arguments);
  if (!result.ok) {
    FUZZ_PROMISE(!result.error.empty(), "a refused command line carries a reason");
    return 0;
  }
  const Options& o = result.options;
  FUZZ_PROMISE(o.scale >= 0 && o.scale <= 16, "--scale is 1..16 (0: the largest that fits)");
  FUZZ_PROMISE(o.threads >= 0 && o.threads <= 64, "--threads is 1..64 (0: one per processor)");
  FUZZ_PROMISE(o.renderScale >= 0 && o.renderScale <= 4, "--render-scale is 1..4 (0: auto)");
  FUZZ_PROMISE(o.volume >= 0 && o.volume <= 100, "--volume is 0..100");
  FUZZ_PROMISE(o.fps == 0 || (o.fps >= 1 && o.fps <= 1000), "--fps is 1..1000");
  FUZZ_PROMISE(std::isfinite(o.maxSeconds) && o.maxSeconds >= 0, "--max-seconds is a finite time");
  FUZZ_PROMISE(frameLimitFor(o.maxSeconds, o.fps > 0 ? o.fps : 60) >= 0, "the frame limit is a count");
  return 0;
}
