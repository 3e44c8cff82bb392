#pragma once
// The fuzz targets' own checks: a property that fails names itself and aborts, which libFuzzer
// reports as a crash and saves the input.

#include <cstdio>
#include <cstdlib>

#define MARLIT_REQUIRE(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)
