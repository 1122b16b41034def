// What every fuzz target checks beyond the sanitizers: a promise that the
// code under test makes in its header. A broken promise aborts the run, so
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_PROMISE(condition, what)                                                 \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "broken promise at %s:%d: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)
